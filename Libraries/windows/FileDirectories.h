#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The parts of the file helpers (File.h) that talk to the user: they live with the windows.

// The desktop's folder browser, opening at root, or at directory when no root is given; true when
// the user chose one, which then is in directory.
bool ChooseDirectory(std::string& directory, std::string_view root, std::string_view caption);

// ---- Directory trees ------------------------------------------------------------------------
// None of these follows a symbolic link to a directory: a link is copied as the file it names,
// or replaced, or removed itself.

// With copy, copies the source's tree over the destination's (made when missing): files are
// replaced, read-only ones too, and files the source lacks stay. A link to a file is copied as
// that file only when the file lies within the source; one that leads out of it is passed over.
// Without copy, deletes the source's files and directories while making the same directories at
// the destination. Hidden entries are left alone. A level that fails says "Failed to process
// directory." in a message box, goes on with the rest and fails in the end. copied, when given,
// gets what the copy put at the destination, in the form of the list of installed files below.
void CopyDeleteDirectory(std::string_view source, std::string_view destination, bool copy,
                         std::vector<std::string>* copied = nullptr);
// Moves the file; with replace an existing target gives way. "Failed to rename." otherwise.
void MyRenameFile(std::string_view from, std::string_view to, bool replace);

// ---- What the installer put into a folder ----------------------------------------------------
// The list lives in the folder, under this name. Each entry names a file or directory relative to
// the folder, a directory with a trailing "/", and ends with a NUL byte: the one byte no file name
// holds, so names with line breaks or any other bytes survive.
constexpr const char* InstalledFilesName = "InstalledFiles.manifest";

// The folder's list; none when the folder has no list, which is no failure. A list that can't be
// read, or with an entry that could lead out of the folder (an absolute path, an empty, "." or
// ".." component), fails and gives none.
std::optional<std::vector<std::string>> ReadInstalledFiles(std::string_view folder);
// Writes the folder's list: the entries that are there now (a name that went is no longer the
// installer's), the list itself among them.
void WriteInstalledFiles(std::string_view folder, std::vector<std::string> entries);
// Deletes the listed entries of the folder and nothing else: never through a symbolic link in
// place of a directory, a directory only when empty, and nothing that stands where a listed entry
// was but is no longer of its kind. Then the list, and the folder when it is empty: true when the
// folder is gone. A deletion that fails is this function's failure; the rest goes on, and the
// list stays for another attempt.
bool DeleteInstalledFiles(std::string_view folder, std::vector<std::string> entries);
