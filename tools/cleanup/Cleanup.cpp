// Stands in for the Windows Installer cleanup tool until that tool is written. The language DLL
// carries whatever fills its INSTALLER_CLEANUP slot, and the recovery path runs it before a
// reinstall: a cleanup that removes nothing and reports success keeps that path working.
int main() { return 0; }
