#pragma once

#include <cstdint>
#include <optional>
#include <string>

// File helpers for the HOSTS tests, over the same narrow (ANSI on Windows) paths the code uses.
namespace testfiles {

extern const char kSeparator[];

// A fresh, empty directory of this test run.
std::string MakeTempDir();
std::string Join(const std::string& dir, const std::string& name);

std::optional<std::string> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// Whether anything has that name (a dangling symbolic link too).
bool Exists(const std::string& path);
bool MakeHardLink(const std::string& existing, const std::string& path);
// A file of size bytes that ends in tail and holds zeros before it, sparse where the file system
// allows, so that a file of gigabytes takes next to no disk.
bool WriteLargeFile(const std::string& path, std::uint64_t size, const std::string& tail);

bool MakeDir(const std::string& path);
// Removes the listed files of dir (any attributes) and then dir itself.
void RemoveDir(const std::string& dir, const char* const* names, int count);

// Makes the file read-only; false when this process could write it regardless (root on POSIX).
bool MakeReadOnly(const std::string& path);
void MakeWritable(const std::string& path);

} // namespace testfiles
