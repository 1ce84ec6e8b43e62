#pragma once
// The file-system steps of a settings save, behind an interface so tests can
// make any one of them fail. A save writes a complete new file beside the
// old one and renames it over it: a crash or a failed step leaves either the
// old file or the new one, never a half-written file.

#include <memory>
#include <string>

namespace kestrelon {

class SettingsFileOps {
public:
    virtual ~SettingsFileOps() = default;

    virtual bool exists(const std::string& path);
    // Whole contents; false when the file cannot be read.
    virtual bool readAll(const std::string& path, std::string& out);
    // A file the user marked read-only is left alone, as the platform's
    // profile functions would (a rename would otherwise replace it).
    virtual bool isReadOnly(const std::string& path);

    // A new, empty file in the folder of `path`; its descriptor, or -1.
    virtual int createTemp(const std::string& path, std::string& tempPath);
    virtual bool writeAll(int fd, const std::string& data);
    // Forces the data to the disk before the rename makes it the file.
    virtual bool flush(int fd);
    virtual bool close(int fd);
    virtual bool rename(const std::string& from, const std::string& to);
    virtual void remove(const std::string& path);
    // Makes the rename itself durable; failures here do not matter for
    // which file a reader sees.
    virtual void syncFolder(const std::string& path);
};

std::shared_ptr<SettingsFileOps> PosixSettingsFileOps();

// Replaces `path` with `data` by the steps above. False when any step
// failed; the old file is then unchanged and no temporary file remains.
bool ReplaceFileAtomically(SettingsFileOps& ops, const std::string& path, const std::string& data);

} // namespace kestrelon
