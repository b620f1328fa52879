#pragma once

#include <string>
#include <string_view>

// The registry of the program's first home, as Qt's settings files: the key
// Software\<product>\<subKey> of a root is the group subKey ([General] when empty) of
// <product>/<product>.conf in the root's configuration folder, so other programs read it with
// QSettings(QSettings::NativeFormat, scope, product, product).
enum class RegistryRoot { CurrentUser, LocalMachine };

std::string RegistryFilePath(RegistryRoot root, std::string_view product);

// Empty when the key or the value is missing.
std::string ReadRegistryValue(RegistryRoot root, std::string_view product, std::string_view subKey,
                              std::string_view name);
// Written through to the file before it returns; throws std::runtime_error when it can't be.
void WriteRegistryValue(RegistryRoot root, std::string_view product, std::string_view subKey,
                        std::string_view name, std::string_view text);
// Removes the key with all its values; a missing key is no failure. Throws std::runtime_error
// when the file can't be written.
void RemoveRegistryKey(RegistryRoot root, std::string_view product, std::string_view subKey);
