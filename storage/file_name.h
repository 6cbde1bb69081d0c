// The file-name syntax of the storage driver. A declared file is named by its external name, or
// by its label when it has none; the name is a storage file and, optionally, a table inside it:
//
//   name      -> file [ "\!" table ]
//
// The separator is searched from the left. When the text before a separator found is an
// existing directory, that "\!" belongs to the path and the search goes on after it. The table
// name is upper-cased; without one the table is "UNNAMED". A file without an extension (a "."
// after the last "/" or "\") gets ".WLK".
//
// Names are code page 1251 text, as the control block holds them, and stay so in the result.
// Only platformPath() turns a path into what the file system takes (UTF-8, "\" as "/"); every
// touch of the file system goes through it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "storage/file_control_block.h"

namespace veltrano::storage {

inline constexpr std::string_view kDefaultTableName = "UNNAMED";
inline constexpr std::string_view kDefaultExtension = ".WLK";

struct StorageFileName {
  std::string path;   // the storage file, extension included (1251)
  std::string table;  // the table inside it, upper-case (1251)
};

// Parses a file name. Trailing blanks (a name held in a STRING variable) are not part of it.
// Empty when nothing names a file: a blank name, or a table part with no file before it; the
// driver reports those as 45 "Invalid Filename".
std::optional<StorageFileName> parseFileName(std::string_view name);

// The text that names the file: its external name when it has one, else its label.
std::string_view declaredFileName(const FileControlBlock& file);

// parseFileName(declaredFileName(file)).
std::optional<StorageFileName> resolveFileName(const FileControlBlock& file);

// `path` (1251) as the platform's file system takes it: UTF-8, with the Windows directory
// separator "\" written as "/".
std::string platformPath(std::string_view path);

// Upper-cases 1251 text: ASCII letters and the Cyrillic letters of the code page (А–Я, Ё and
// the other Cyrillic alphabets' letters it holds).
std::string upperCase1251(std::string_view text);

}  // namespace veltrano::storage
