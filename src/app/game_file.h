// From a command-line parameter to the bytes of the path to open. Paths on
// this system are bytes: a name that is not UTF-8 (a Latin-1 "café.pgn")
// must reach the file system unchanged, and a file:// URI (what file
// managers hand over) names a local file.
#pragma once

#include <QString>
#include <string>

// An argument as text. Bytes that are not UTF-8 are kept as the lone
// surrogates U+DC80..U+DCFF, so that GameFilePath gives them back unchanged.
QString ArgumentText(const char* arg);

// The path bytes a parameter names: a file:// URI becomes its local path
// (percent escapes decoded to bytes); any other text is the path itself.
std::string GameFilePath(const QString& param);

// What to say of a path that names no game file: that it does not exist,
// or that it is a folder or no regular file.
QString NoGameFileText(const std::string& file);
