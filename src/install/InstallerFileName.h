// Which file an installer section names, and whether that name stays inside the folder it
// belongs to. The engine extracts and holds the file by this name and PendrixPack embeds or
// hashes it by the same, so both take the rule from here.
#pragma once
#include <cstddef>

constexpr size_t kInstallerFileNameSize = 260;

// A name for one file in one folder: not empty; no "\", "/" or ":" (no folder, drive or
// stream); no wildcard, quote, angle bracket, bar or control character; not made of dots and
// blanks alone ("." and ".." name folders); and not a device name such as NUL or COM1.
bool IsPlainFileName(const char* name);

// A path below a folder: plain names joined by "\" or "/", so no drive, no UNC path, no root
// and no "." or ".." part.
bool IsPathBelowFolder(const char* path);

// True for a word in braces, such as the product code after msiexec's /x: it names no file.
bool IsProductCodeWord(const char* word);

enum class InstallerFileRule {
  kOk,             // out names the file
  kNoFile,         // an msiexec run beside the package that names a product or no file: nothing to hold
  kNoMsiFile,      // an extracted msiexec run whose Arguments name no file after an action switch
  kNotAFileName,   // an extracted installer's name is not a plain file name
  kLeavesFolder,   // a DoNotExtract name reaches outside the package folder
};

// The file an installer section uses, relative to the folder it lies in: File, or for an
// msiexec run the word after the first action switch in Arguments (file is lower case). An
// extracted installer lies in the run's working folder and must be a plain file name; one that
// runs beside the package (doNotExtract) may lie in a subfolder of the package's folder.
InstallerFileRule InstallerFileName(const char* file, const char* arguments, bool doNotExtract,
                                    char (&out)[kInstallerFileNameSize]);
