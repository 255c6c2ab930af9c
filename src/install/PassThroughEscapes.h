// The escapes of a /passthru command, which stand for characters that the package's own
// command line would take as option starts: "#2" is "/", "#1" is "-", "#0" is "#".
#pragma once
#include <string>

// Decodes in place, left to right: a known pair becomes its character, which is not read
// again; any other "#" pair is dropped; a "#" at the very end stays.
void DecodePassThroughEscapes(std::string& text);

// The piece an installer's arguments receive for one command: a blank, then the command decoded.
std::string PassThroughPiece(const std::string& command);
