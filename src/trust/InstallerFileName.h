// Which file an installer section names, and whether that name stays inside the folder it
// belongs to. The engine extracts and holds the file by this name and PendrixPack embeds or
// hashes it by the same, so both take the rule from here.
#pragma once
#include <cstddef>

constexpr size_t kInstallerFileNameSize = 260;

// A name for one file in one folder: not empty; no "\", "/" or ":" (no folder, drive or
// stream); no wildcard, quote, angle bracket, bar or control character; not ending in a dot or a
// blank, which Windows drops from a path (so "setup.exe." is run as "setup.exe"); not made of
// dots and blanks alone ("." and ".." name folders); and not a device name such as NUL, COM1, or
// COM or LPT with a superscript 1, 2 or 3, which Windows reads as devices too.
bool IsPlainFileName(const char* name);

// A path the engine can run a file beside the package by: plain names joined by "\" or "/",
// where "." and ".." may stand for folders, either relative to the package's folder or from a
// drive's root ("C:\tools\x.exe") or a share's ("\\server\share\x.exe"). Not from the root of
// whatever drive is current ("\x.exe") nor a drive's current folder ("C:x.exe").
bool IsRunnablePath(const char* path);

// The full path of a runnable path: as it is when it has a root, otherwise resolved against
// `base` (a full path, the package's folder or PendrixPack's payload folder), with "." and ".."
// parts resolved and "/" turned into "\". False when the path is not runnable, climbs above its
// root, or does not fit.
bool ResolveBesidePath(const char* base, const char* path, char (&out)[260]);

// True for a word in braces, such as the product code after msiexec's /x: it names no file.
bool IsProductCodeWord(const char* word);

enum class InstallerFileRule {
  kOk,             // out names the file
  kNoFile,         // an msiexec run beside the package that names a product or no file: nothing to hold
  kNoMsiFile,      // an extracted msiexec run whose Arguments name no file after an action switch
  kNotAFileName,   // an extracted installer's name is not a plain file name
  kNotRunnable,    // a DoNotExtract path that IsRunnablePath refuses
};

// The file an installer section uses, relative to the folder it lies in: File, or for an
// msiexec run the word after the first action switch in Arguments (file is lower case). An
// extracted installer lies in the run's working folder and must be a plain file name; one that
// runs beside the package (doNotExtract) may lie anywhere a runnable path leads, as
// installation media put shared installers beside the setup folder.
InstallerFileRule InstallerFileName(const char* file, const char* arguments, bool doNotExtract,
                                    char (&out)[kInstallerFileNameSize]);
