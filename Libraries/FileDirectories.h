#pragma once

#include <string>
#include <string_view>

// The parts of the file helpers (File.h) that talk to the user: they live with the windows.

// The desktop's folder browser, opening at root, or at directory when no root is given; true when
// the user chose one, which then is in directory.
bool ChooseDirectory(std::string& directory, std::string_view root, std::string_view caption);

// ---- Directory trees ------------------------------------------------------------------------
// None of these follows a symbolic link to a directory: a link is copied as the file it names,
// or replaced, or removed itself.

// With copy, copies the source's tree over the destination's (made when missing): files are
// replaced, read-only ones too, and files the source lacks stay. Without copy, deletes the
// source's files and directories while making the same directories at the destination. Hidden
// entries are left alone. A level that fails says "Failed to process directory." in a message
// box, goes on with the rest and fails in the end.
void CopyDeleteDirectory(std::string_view source, std::string_view destination, bool copy);
// Deletes the directory with all it holds, as far as it can; only a directory that can't be
// read fails ("Can not find directory.", "Failed to delete directory content.").
void DeleteDirectoryNoErrors(std::string_view directory);
// Moves the file; with replace an existing target gives way. "Failed to rename." otherwise.
void MyRenameFile(std::string_view from, std::string_view to, bool replace);
