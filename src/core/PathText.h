// The text of full paths as the engine walks them from their root, and the names it gives a
// file that has to go beside another one. Pure text; no file is touched.
#pragma once
#include <cstddef>

// Windows takes either slash between the names of a path.
inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// The length of the root of an absolute path: 3 for "C:\", and for a share "\\server\share"
// its length with the backslash that follows, when one does. 0 for anything else: a relative
// path, one from the root of the current drive ("\x"), a drive's current folder ("C:x"), and
// the device forms "\\?\" and "\\.\".
size_t PathRootLength(const char* path);

// The name with ".<n>" before its extension ("setup.log", 2: "setup.2.log"), or after a name
// that has none ("setup", 2: "setup.2"). False when the result does not fit in size - 1
// characters; then out holds "".
bool NumberedFileName(const char* name, unsigned n, char* out, size_t size);

// The folder part and the name part of a full path: the folder without its trailing backslash,
// except a drive's root, which keeps it ("C:\"). False when the path has no name after its root,
// or a part does not fit.
bool SplitFolderAndName(const char* path, char* folder, size_t folderSize, char* name, size_t nameSize);

// The other way: the name in the folder, with one backslash between them unless the folder ends
// with one ("C:\"). False when the result does not fit in size - 1 characters; then out holds "".
bool JoinFolderAndName(const char* folder, const char* name, char* out, size_t size);
