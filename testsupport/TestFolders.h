#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

// Folders for tests that read and write real files.

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& prefix = "brastel-test") {
        static int count = 0;
        path = std::filesystem::temp_directory_path() /
               (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(count++));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(path / name, std::ios::binary) << text;
        return file(name);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }

    std::filesystem::path path;
};

// Makes a folder the working directory while it lives: the program reads "../shader/" and the
// other data folders relative to it.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::filesystem::path& folder)
        : saved(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(saved, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

  private:
    std::filesystem::path saved;
};
