#pragma once
// A settings file that lives in memory: every load reads `content`, every
// save replaces it, and nothing touches the disk. For tests that number
// thousands of units, and for the fuzzer, which must feed every input to
// the parser whatever the working folder holds.

#include "numbering/file_ops.h"

#include <string>

namespace kestrelon::test {

class MemorySettingsFile : public SettingsFileOps {
public:
    std::string content;
    bool present = false;   // false: no file yet, a first start
    int saves = 0;

    PathState inspect(const std::string&) override {
        return present ? PathState{PathKind::Regular, "", 1} : PathState{PathKind::Missing, "", 0};
    }
    bool stamp(const std::string&, FileStamp& out) override {
        if (!present) return false;
        out = FileStamp{1, 1, content.size(), saves};
        return true;
    }
    bool canReplace(const std::string&, std::string&) override { return true; }
    std::string resolve(const std::string& path) override { return path; }
    bool readAll(const std::string&, std::string& out) override {
        out = content;
        return present;
    }
    bool isReadOnly(const std::string&) override { return false; }
    int createTemp(const std::string&, std::string& tempPath) override {
        pending_.clear();
        tempPath = "temp";
        return 3;
    }
    bool writeAll(int, const std::string& data) override {
        pending_ += data;
        return true;
    }
    bool flush(int) override { return true; }
    bool close(int) override { return true; }
    bool rename(const std::string&, const std::string&) override {
        content = pending_;
        present = true;
        ++saves;
        return true;
    }
    void remove(const std::string&) override {}
    bool syncFolder(const std::string&) override { return true; }

private:
    std::string pending_;
};

} // namespace kestrelon::test
