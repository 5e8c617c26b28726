// File operations for tests: every call goes on to the system's own. A fake
// that injects a fault derives from ForwardingOps and overrides one call: the
// step it disturbs (replace, say), or before(), which sees every step first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "store/file_ops.h"

namespace ce::test {

class ForwardingOps : public FileOps {
public:
    // The steps that before() sees; resolve() is no step (it cannot fail).
    enum Step {
        LinkCount, Create, Open, Write, SetSize, Flush, Close, Replace, RenameOver, SyncFolder, Link, Copy, Remove,
        MakeFolder, MayWrite
    };

    // Called before every step with the path it acts on ("" for a step on a
    // handle; the target of a replace, rename or copy; the folder made safe). A fault returned is that step's
    // result, and the system is not asked; except that a close still releases
    // its handle, as the system's does when it fails.
    virtual FileError before(Step, const std::string& /*path*/) { return std::nullopt; }

    std::string resolve(const std::string& path) override { return sys().resolve(path); }
    FileError link_count(const std::string& path, unsigned& out) override {
        if (FileError e = before(LinkCount, path)) return e;
        return sys().link_count(path, out);
    }
    FileError create_new(const std::string& path, const std::string& model, Handle& out) override {
        if (FileError e = before(Create, path)) return e;
        return sys().create_new(path, model, out);
    }
    FileError open_existing(const std::string& path, Handle& out) override {
        if (FileError e = before(Open, path)) return e;
        return sys().open_existing(path, out);
    }
    FileError write(Handle file, const void* data, std::size_t count) override {
        if (FileError e = before(Write, "")) return e;
        return sys().write(file, data, count);
    }
    FileError set_size(Handle file, std::uint64_t size) override {
        if (FileError e = before(SetSize, "")) return e;
        return sys().set_size(file, size);
    }
    FileError flush(Handle file) override {
        if (FileError e = before(Flush, "")) return e;
        return sys().flush(file);
    }
    FileError close(Handle file) override {
        FileError e = before(Close, "");
        FileError closed = sys().close(file);
        return e ? e : closed;
    }
    FileError replace(const std::string& from, const std::string& to) override {
        if (FileError e = before(Replace, to)) return e;
        return sys().replace(from, to);
    }
    FileError rename_over(const std::string& from, const std::string& to) override {
        if (FileError e = before(RenameOver, to)) return e;
        return sys().rename_over(from, to);
    }
    FileError sync_folder(const std::string& folder) override {
        if (FileError e = before(SyncFolder, folder)) return e;
        return sys().sync_folder(folder);
    }
    FileError link(const std::string& existing, const std::string& to) override {
        if (FileError e = before(Link, to)) return e;
        return sys().link(existing, to);
    }
    FileError copy(const std::string& from, const std::string& to) override {
        if (FileError e = before(Copy, to)) return e;
        return sys().copy(from, to);
    }
    FileError remove(const std::string& path) override {
        if (FileError e = before(Remove, path)) return e;
        return sys().remove(path);
    }
    FileError make_folder(const std::string& path) override {
        if (FileError e = before(MakeFolder, path)) return e;
        return sys().make_folder(path);
    }
    FileError may_write(const std::string& path) override {
        if (FileError e = before(MayWrite, path)) return e;
        return sys().may_write(path);
    }

protected:
    static FileOps& sys() { return system_file_ops(); }
};

}  // namespace ce::test
