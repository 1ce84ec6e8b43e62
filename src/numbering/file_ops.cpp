#include "numbering/file_ops.h"

#include "platform/file_system.h"
#include "platform/native_path.h"

#include <cerrno>
#include <filesystem>
#include <vector>

namespace kestrelon {

namespace {

constexpr int kMaxLinks = 40;   // as the kernel allows in one path

using files::FolderOf;
using files::NameOf;

std::string notRegularReason(files::Type type) {
    return type == files::Type::Folder ? "it is a folder" : "it is not a regular file";
}

bool folderExists(const std::string& folder) {
    files::Info info;
    return files::PathInfo(folder, info) && info.type == files::Type::Folder;
}

// A link the program may follow: the user's own, or root's.
bool trustedOwner(const files::Info& link) { return link.ownedByUser || link.ownedByAdmin; }

} // namespace

PathState SettingsFileOps::inspect(const std::string& path) { return InspectSettingsPath(path); }
bool SettingsFileOps::stamp(const std::string& path, FileStamp& out) { return StampOf(path, out); }
bool SettingsFileOps::canReplace(const std::string& path, std::string& reason) { return CanReplaceFile(path, reason); }
std::string SettingsFileOps::resolve(const std::string& path) { return ResolveSymlinks(path); }

bool SettingsFileOps::readAll(const std::string& path, std::string& out) {
    // Non-blocking, so that a FIFO put in the file's place cannot hang the
    // program in open(); anything but a regular file is refused at once.
    const int fd = files::OpenForReading(path);
    if (fd < 0) return false;
    files::Info info;
    if (!files::DescriptorInfo(fd, info) || info.type != files::Type::Regular) {
        files::Close(fd);
        errno = info.type == files::Type::Folder ? EISDIR : EINVAL;
        return false;
    }
    out.clear();
    if (info.size > 0) out.reserve(static_cast<size_t>(info.size));
    std::vector<char> buf(1 << 16);
    for (;;) {
        const long n = files::Read(fd, buf.data(), buf.size());
        if (n < 0) {
            const int e = errno;
            files::Close(fd);
            errno = e;
            return false;
        }
        if (n == 0) break;
        out.append(buf.data(), static_cast<size_t>(n));
    }
    files::Close(fd);
    return true;
}

bool SettingsFileOps::isReadOnly(const std::string& path) {
    files::Info info;
    return files::PathInfo(path, info) && info.readOnly;
}

int SettingsFileOps::createTemp(const std::string& path, std::string& tempPath) {
    const int fd = files::CreateUnique(path + ".tmp", 0600, tempPath);
    if (fd < 0) return -1;
    // Made 0600: the file keeps the permissions it was given, and a new
    // settings file is shared.
    files::Info info;
    files::SetMode(fd, files::PathInfo(path, info) ? info.mode : 0644);
    return fd;
}

bool SettingsFileOps::writeAll(int fd, const std::string& data) { return files::WriteAll(fd, data); }
bool SettingsFileOps::flush(int fd) { return files::Flush(fd); }
bool SettingsFileOps::close(int fd) { return files::Close(fd); }

// Replaces an existing file in one step on every system.
bool SettingsFileOps::rename(const std::string& from, const std::string& to) { return files::ReplaceWith(from, to); }

void SettingsFileOps::remove(const std::string& path) { files::Remove(path); }

bool SettingsFileOps::syncFolder(const std::string& path) { return files::SyncFolder(FolderOf(path)); }

std::shared_ptr<SettingsFileOps> PosixSettingsFileOps() {
    return std::make_shared<SettingsFileOps>();
}

std::string ResolveSymlinks(const std::string& path, std::string* untrusted) {
    std::string current = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        files::Info link;
        if (!files::LinkInfo(current, link) || link.type != files::Type::Link) return current;
        if (!trustedOwner(link)) {
            if (untrusted)
                *untrusted = "it is a symbolic link (" + current + ") owned by another user, which is not followed";
            return current;
        }
        std::string target;
        if (!files::ReadLink(current, target) || target.empty()) return current;
        current = files::IsAbsolute(target) ? target : FolderOf(current) + "/" + target;
    }
    return path;
}

PathState InspectSettingsPath(const std::string& path) {
    if (path.empty()) return {PathKind::Unusable, "no file name was given"};
    std::string untrusted;
    const std::string target = ResolveSymlinks(path, &untrusted);
    if (!untrusted.empty()) return {PathKind::Unusable, untrusted};
    files::Info info;
    if (files::PathInfo(target, info)) {
        if (info.type == files::Type::Regular) return {PathKind::Regular, "", info.links};
        return {PathKind::NotRegular, notRegularReason(info.type)};
    }
    const int e = errno;
    if (e == ENOENT) {
        const std::string folder = FolderOf(target);
        if (folderExists(folder)) return {PathKind::Missing, ""};
        return {PathKind::Unusable, "the folder " + folder + " does not exist"};
    }
    return {PathKind::Unusable, files::ErrorText(e)};
}

bool CanReplaceFile(const std::string& path, std::string& reason) {
    const PathState state = InspectSettingsPath(path);
    if (state.kind == PathKind::NotRegular || state.kind == PathKind::Unusable) {
        reason = state.reason;
        return false;
    }
    const std::string target = ResolveSymlinks(path);
    if (state.kind == PathKind::Regular) {
        errno = 0;
        if (SettingsFileOps().isReadOnly(target) || !files::MayWrite(target)) {
            // A file another program holds open (Windows) would fail the replace as well.
            reason = errno == EBUSY ? files::ErrorText(EBUSY) : "the file is read-only";
            return false;
        }
    }
    if (!files::MayWrite(FolderOf(target))) {
        reason = "its folder " + FolderOf(target) + " does not take new files (" + files::ErrorText(errno) + ")";
        return false;
    }
    return true;
}

bool ReplaceFileAtomically(SettingsFileOps& ops, const std::string& path, const std::string& data,
                           std::string& reason) {
    const PathState state = ops.inspect(path);
    if (state.kind == PathKind::NotRegular || state.kind == PathKind::Unusable) {
        reason = state.reason;
        return false;
    }
    const std::string target = ops.resolve(path);
    if (state.kind == PathKind::Regular && ops.isReadOnly(target)) {
        reason = "the file is read-only";
        return false;
    }
    auto failed = [&reason](const std::string& temp, SettingsFileOps* cleanUp) {
        reason = files::ErrorText(errno ? errno : EIO);
        if (cleanUp) cleanUp->remove(temp);
        return false;
    };
    std::string temp;
    errno = 0;
    const int fd = ops.createTemp(target, temp);
    if (fd < 0) return failed(temp, nullptr);
    errno = 0;
    if (!ops.writeAll(fd, data) || !ops.flush(fd)) {
        const int e = errno;
        ops.close(fd);
        errno = e;
        return failed(temp, &ops);
    }
    errno = 0;
    if (!ops.close(fd)) return failed(temp, &ops);
    errno = 0;
    if (!ops.rename(temp, target)) return failed(temp, &ops);
    errno = 0;
    if (!ops.syncFolder(target)) {
        reason = "the folder could not be forced to the disk: " + files::ErrorText(errno ? errno : EIO);
        return false;
    }
    return true;
}

std::vector<std::string> SiblingsOf(const std::string& path, const std::string& suffix) {
    std::vector<std::string> found;
    if (path.empty()) return found;
    const std::string target = ResolveSymlinks(path);
    const std::string folder = FolderOf(target);
    const std::string prefix = NameOf(target) + suffix;
    const size_t sep = files::LastSeparator(target);
    std::vector<std::string> names;
    files::ListFolder(folder, names);
    for (const std::string& name : names)
        if (name.compare(0, prefix.size(), prefix) == 0)
            found.push_back(sep == std::string::npos ? name : target.substr(0, sep + 1) + name);
    return found;
}

int RemoveStaleTemps(const std::string& path) {
    int removed = 0;
    const std::string prefix = NameOf(ResolveSymlinks(path)) + ".tmp";
    for (const std::string& full : SiblingsOf(path, ".tmp")) {
        const std::string name = NameOf(full);
        if (!files::IsUniqueSuffix(name.substr(prefix.size()))) continue;
        // Only our own: a file of that name someone else put there is not
        // a save of ours that was cut short.
        files::Info info;
        if (files::LinkInfo(full, info) && info.type == files::Type::Regular && info.ownedByUser &&
            files::Remove(full))
            ++removed;
    }
    return removed;
}

bool StampOf(const std::string& path, FileStamp& out) {
    files::Info info;
    if (!files::PathInfo(path, info)) return false;
    out.device = info.volume;
    out.inode = info.index;
    out.size = info.size;
    out.modifiedNs = info.modifiedNs;
    return true;
}

bool WriteNewFile(const std::string& path, const std::string& data, std::string& reason) {
    const int fd = files::CreateNew(path, 0644);
    if (fd < 0) {
        reason = files::ErrorText(errno);
        return false;
    }
    const bool ok = files::WriteAll(fd, data) && files::Flush(fd);
    const int e = errno;
    if (!(files::Close(fd) && ok)) {
        reason = files::ErrorText(ok ? errno : e);
        files::Remove(path);
        return false;
    }
    return true;
}

std::string FullPath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(NativePath(path), ec);
    return ec ? path : Utf8Path(full.lexically_normal());
}

} // namespace kestrelon
