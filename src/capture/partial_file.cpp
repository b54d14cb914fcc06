// Depends on POSIX: mkstemps and flock for the file and its lock, fsync, renameat2 or link to
// take OUT's name without ever replacing what another program put there.
#include "capture/partial_file.h"

#include <fcntl.h>     // open, AT_FDCWD
#include <sys/file.h>  // flock
#include <sys/stat.h>  // lstat, stat, fchmod, umask
#include <unistd.h>    // close, fsync, link, unlink, fchown, pathconf

#include <atomic>
#include <cerrno>
#include <cstdio>   // renameat2, RENAME_NOREPLACE, std::rename
#include <cstring>  // std::strerror, std::strlen
#include <filesystem>

namespace {
constexpr char kPartialMark[] = ".partial-";
constexpr char kUniqueMark[] = "XXXXXX";  // what mkstemps fills in
constexpr int kMostLinksFollowed = 40;    // as the kernel's own limit
constexpr int kMostFiles = 2;

// The files this capture is writing: each open, so that its lock lasts, and named where a
// signal handler may read it.
struct Unfinished {
    std::string path;
    int fd = -1;
    std::atomic<const char*> named{nullptr};
};
Unfinished files[kMostFiles];
static_assert(std::atomic<const char*>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

std::string system_error(int code)
{
    return std::strerror(code);
}

// Where --force writes through a symbolic link at OUT, as FFmpeg's -y (and open) would: the
// file it leads to, link by link, whether or not that file exists yet. The link stays.
std::string link_target(const std::string& path)
{
    std::filesystem::path place = path;
    std::error_code error;
    for (int hop = 0; hop < kMostLinksFollowed && std::filesystem::is_symlink(place, error);
         ++hop) {
        const std::filesystem::path to = std::filesystem::read_symlink(place, error);
        place = to.is_absolute() ? to : place.parent_path() / to;
    }
    return place.string();
}

// The partial files' names: OUT's stem (the stem of the file it leads to), cut short at a whole
// character where the name would pass the longest the folder takes, and OUT's extension.
struct NamePattern {
    std::filesystem::path folder;
    std::string head;  // up to the unique part
    std::string tail;  // after it
};

NamePattern name_pattern(const PartialTarget& target)
{
    const std::filesystem::path place = target.place;
    const std::string extension = std::filesystem::path(target.out).extension().string();
    std::string stem = place.stem().string();
    const std::filesystem::path folder = place.has_parent_path() ? place.parent_path() : ".";
    const long longest = pathconf(folder.c_str(), _PC_NAME_MAX);
    const std::size_t fixed =
        std::strlen(kPartialMark) + std::strlen(kUniqueMark) + extension.size();
    std::size_t cut = longest > 0 && static_cast<std::size_t>(longest) > fixed
                          ? static_cast<std::size_t>(longest) - fixed
                          : 0;
    if (cut < stem.size()) {
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) {
            --cut;  // a UTF-8 character's continuation: the cut goes before its first byte
        }
        stem.resize(cut);
    }
    return {place.parent_path(), stem + kPartialMark, extension};
}

// A new partial file, locked, with the permissions OUT's file has where it is replaced (and
// its owner where that may be given), else those any new file would get.
bool make_file(const PartialTarget& target, std::string& made, std::string& error)
{
    Unfinished* slot = nullptr;
    for (Unfinished& file : files) {
        slot = slot == nullptr && file.fd < 0 ? &file : slot;
    }
    const NamePattern pattern = name_pattern(target);
    std::string name = pattern.folder / (pattern.head + kUniqueMark + pattern.tail);
    const int fd =
        slot != nullptr ? mkstemps(name.data(), static_cast<int>(pattern.tail.size())) : -1;
    if (fd < 0) {
        error = "cannot write " + target.out + ": " + system_error(errno);
        return false;
    }
    flock(fd, LOCK_EX | LOCK_NB);
    struct stat existing {};
    if (stat(target.place.c_str(), &existing) == 0) {
        // Only where the user may: as root, or to a group of the user's own.
        const int ignored = fchown(fd, existing.st_uid, existing.st_gid);
        static_cast<void>(ignored);
        fchmod(fd, existing.st_mode & 07777);
    } else {
        // mkstemps makes the file private to its owner.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    slot->path = made = name;
    slot->fd = fd;
    slot->named.store(slot->path.c_str());
    return true;
}

// Forgets a file of ours: its lock goes, and no signal handler removes it any more.
void release(const std::string& path)
{
    for (Unfinished& file : files) {
        if (file.fd >= 0 && file.path == path) {
            file.named.store(nullptr);
            close(file.fd);
            file.fd = -1;
        }
    }
}
}  // namespace

bool partial_create(PartialTarget& target, std::string& error)
{
    struct stat existing {};
    if (lstat(target.out.c_str(), &existing) == 0 && !target.force && !S_ISDIR(existing.st_mode)) {
        error = target.out + " exists; --force replaces it";
        return false;
    }
    target.place = target.force ? link_target(target.out) : target.out;
    if (stat(target.place.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        error = target.out + " is a folder";
        return false;
    }
    return make_file(target, target.partial, error);
}

bool partial_another(const PartialTarget& target, std::string& made, std::string& error)
{
    return make_file(target, made, error);
}

// A capture holds its files locked until it ends, however it ends; one whose lock can be taken
// was left by a capture that is gone.
std::vector<std::string> partial_leftovers(const PartialTarget& target)
{
    const NamePattern pattern = name_pattern(target);
    const std::size_t length = pattern.head.size() + std::strlen(kUniqueMark) + pattern.tail.size();
    std::vector<std::string> found;
    std::error_code error;
    const std::filesystem::path folder = pattern.folder.empty() ? "." : pattern.folder;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != length || name.compare(0, pattern.head.size(), pattern.head) != 0 ||
            name.compare(length - pattern.tail.size(), pattern.tail.size(), pattern.tail) != 0 ||
            !entry.is_regular_file(error)) {
            continue;
        }
        const std::string path = pattern.folder.empty() ? name : (pattern.folder / name).string();
        const int fd = open(path.c_str(), O_RDONLY);
        if (fd >= 0 && flock(fd, LOCK_SH | LOCK_NB) == 0) {
            found.push_back(path);
        }
        if (fd >= 0) {
            close(fd);
        }
    }
    return found;
}

// Before the file takes OUT's name: a crash or power cut after the rename must not leave OUT
// empty.
bool partial_settle(const std::string& path, std::string& error)
{
    const int fd = open(path.c_str(), O_RDONLY);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    const int code = errno;
    if (fd >= 0) {
        close(fd);
    }
    if (!synced) {
        error = system_error(code);
    }
    return synced;
}

// With --force the finished file replaces OUT in one step. Without it OUT must still be free,
// and taking the name must fail if another program took it meanwhile (two captures of one
// path): a rename that never replaces, or where the file system lacks one, a hard link.
bool partial_place(const PartialTarget& target, const std::string& path, std::string& error)
{
    const char* from = path.c_str();
    const char* to = target.place.c_str();
    bool placed = false;
    if (target.force) {
        placed = std::rename(from, to) == 0;
        error = placed ? "" : "cannot replace " + target.out + ": " + system_error(errno);
    } else if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        placed = true;
    } else if (errno == EINVAL && link(from, to) == 0) {
        unlink(from);
        placed = true;
    } else if (errno == EEXIST) {
        error = target.out + " appeared while capturing (" + system_error(errno) + ")";
    } else {
        error = "cannot put the capture at " + target.out + ": " + system_error(errno);
    }
    if (placed) {
        release(path);
    }
    return placed;
}

void partial_remove(const std::string& path)
{
    unlink(path.c_str());
    release(path);
}

void partial_keep(const std::string& path)
{
    release(path);
}

void partial_remove_all_now()
{
    for (Unfinished& file : files) {
        const char* path = file.named.exchange(nullptr);
        if (path != nullptr) {
            unlink(path);
        }
    }
}
