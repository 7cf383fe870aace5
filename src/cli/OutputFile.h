#pragma once
// A file written under a temporary name beside its final one and renamed at the end, so the
// final name only ever holds a complete file. "-" writes to standard output instead.
#include <string>
#include <string_view>

namespace qx::cli {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();  // an uncommitted temporary file is removed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file (the path is a file name as the system takes it). False, with
    // the system's reason, when the place cannot be written; checked before any transfer.
    bool open(const std::string& path, std::string& error);
    bool toStandardOutput() const { return path_ == "-"; }
    const std::string& path() const { return path_; }

    bool write(std::string_view bytes, std::string& error);
    // Flushes the bytes to disk and gives them the final name.
    bool commit(std::string& error);
    // Removes the temporary file.
    void discard();

  private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
};

}  // namespace qx::cli
