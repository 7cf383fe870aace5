#pragma once
// Files and folders. Paths are the program's GBK texts; they become UTF-8 file names here.
#include <string>
#include <string_view>
#include <vector>

namespace qx::platform {

std::string pathSeparator();
std::string toNativePath(std::string_view gbkPath);   // GBK text -> UTF-8 file name
std::string fromNativePath(std::string_view native);  // UTF-8 file name -> GBK text

bool fileExists(std::string_view path);  // a file or folder of that name exists
bool isDirectory(std::string_view path);
// A folder this process may create files in.
bool isWritableDirectory(std::string_view path);
// The user's cache folder: $XDG_CACHE_HOME, else ~/.cache (GBK text; empty when neither is known).
std::string userCacheDirectory();
// Where the user keeps files: the documents folder of the desktop's user-dirs when it exists,
// else $HOME (GBK text; empty when neither is known).
std::string userFilesDirectory();
bool writeFile(std::string_view path, std::string_view bytes);  // creates or replaces
bool appendFile(std::string_view path, std::string_view bytes);
bool readFile(std::string_view path, std::string& bytes);
long long fileSize(std::string_view path);  // -1 when missing
bool deleteFile(std::string_view path);
bool copyFile(std::string_view from, std::string_view to, bool overwrite = true);
bool moveFile(std::string_view from, std::string_view to);
bool createDirectory(std::string_view path);  // false when it exists already or fails
bool removeDirectory(std::string_view path);  // with its content
bool setExecutable(std::string_view path);

// Operations made for the user, who must hear when one fails: error is 0 or the system's error
// number, path the file it failed on. A failure loses nothing: an existing target keeps its
// content and the source of a move stays where it was.
struct FileOutcome {
    int error = 0;
    std::string path;
    explicit operator bool() const { return error == 0; }
};
// The new content goes into a file beside the target first and is then renamed over it.
FileOutcome saveFile(std::string_view path, std::string_view bytes);
FileOutcome saveCopy(std::string_view from, std::string_view to);
// A rename; across file systems a saved copy, then the source is removed.
FileOutcome saveMove(std::string_view from, std::string_view to);
// The whole file; a file larger than maxBytes fails with EFBIG.
FileOutcome loadFile(std::string_view path, std::string& bytes, long long maxBytes);
// The system's own text for an error number, in the C locale (English).
std::string systemErrorText(int error);
// Names (not paths) directly in directory matching a wildcard pattern (* and ?), without . and ..
std::vector<std::string> listNames(std::string_view directory, std::string_view pattern);
bool wildcardMatch(std::string_view pattern, std::string_view name);

std::string currentDirectory();
bool setCurrentDirectory(std::string_view path);
// The running executable's full path (GBK text).
std::string executablePath();

}  // namespace qx::platform
