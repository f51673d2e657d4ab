#include "writers/output_rules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

namespace tovren {
namespace {

std::string ErrnoText(int error) {
  char buffer[256];
  // GNU strerror_r: returns a pointer to the message, which may or may not be `buffer`.
  return strerror_r(error, buffer, sizeof buffer);
}

// A temporary file that is closed and removed unless it was handed on by a rename.
class TempFile {
 public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }

  // Creates a fresh file next to `target`; returns "" or the reason.
  std::string Create(const std::filesystem::path& target) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string leaf = ".";
    leaf += target.filename().string();
    leaf += ".tmp-XXXXXX";
    std::string name = (folder / leaf).string();
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) return ErrnoText(errno);
    path_ = pattern.data();
    return {};
  }

  std::string WriteAll(const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return ErrnoText(errno);
      }
      done += static_cast<size_t>(n);
    }
    return {};
  }

  std::string SetMode(mode_t mode) {
    if (::fchmod(fd_, mode) != 0) return ErrnoText(errno);
    return {};
  }

  std::string Close() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return ErrnoText(errno);
    return {};
  }

  std::string RenameTo(const std::filesystem::path& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) return ErrnoText(errno);
    path_.clear();  // now the target's; nothing left to remove
    return {};
  }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace

std::filesystem::path SitemapFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || program.empty()) return std::filesystem::path("sitemap");
  return program.parent_path() / "sitemap";
}

int FileCount(int n, int per_file) {
  if (n <= 0 || per_file <= 0) return 0;
  return n / per_file + (n % per_file != 0 ? 1 : 0);
}

int ShareFirst(int k, int per_file) { return (k - 1) * per_file + 1; }

int ShareSize(int k, int file_count, int n, int per_file) {
  if (k < 1 || k > file_count) return 0;
  if (file_count == 1) return n;
  if (k < file_count) return per_file;
  return n - (file_count - 1) * per_file;
}

std::string FileName(const std::string& stem, const std::string& extension, int k) {
  if (k <= 1) return stem + extension;
  return stem + std::to_string(k - 1) + extension;
}

std::string WriteWholeFile(const std::filesystem::path& path, const Bytes& bytes) {
  TempFile temp;
  if (std::string reason = temp.Create(path); !reason.empty()) return reason;
  if (std::string reason = temp.WriteAll(bytes); !reason.empty()) return reason;
  // mkostemp makes the file private; a sitemap is meant to be published.
  struct stat old_file;
  const mode_t mode = (::stat(path.c_str(), &old_file) == 0 && S_ISREG(old_file.st_mode))
                          ? (old_file.st_mode & 07777)
                          : 0644;
  if (std::string reason = temp.SetMode(mode); !reason.empty()) return reason;
  if (std::string reason = temp.Close(); !reason.empty()) return reason;
  return temp.RenameTo(path);
}

}  // namespace tovren
