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
        MakeFolder, MayWrite, LockFolder
    };

    // Called before every step with the path it acts on ("" for a step on a
    // handle; the target of a replace, rename or copy; the folder made safe;
    // the data folder whose lock is taken). A fault returned is that step's
    // result, and the system is not asked; except that a close still releases
    // its handle, as the system's does when it fails.
    virtual Status before(Step, const std::string& /*path*/) { return {}; }

    std::string resolve(const std::string& path) override { return sys().resolve(path); }
    Status link_count(const std::string& path, unsigned& out) override {
        if (Status e = before(LinkCount, path); !e.ok()) return e;
        return sys().link_count(path, out);
    }
    Status create_new(const std::string& path, const std::string& model, Handle& out) override {
        if (Status e = before(Create, path); !e.ok()) return e;
        return sys().create_new(path, model, out);
    }
    Status open_existing(const std::string& path, Handle& out) override {
        if (Status e = before(Open, path); !e.ok()) return e;
        return sys().open_existing(path, out);
    }
    Status write(Handle file, const void* data, std::size_t count) override {
        if (Status e = before(Write, ""); !e.ok()) return e;
        return sys().write(file, data, count);
    }
    Status set_size(Handle file, std::uint64_t size) override {
        if (Status e = before(SetSize, ""); !e.ok()) return e;
        return sys().set_size(file, size);
    }
    Status flush(Handle file) override {
        if (Status e = before(Flush, ""); !e.ok()) return e;
        return sys().flush(file);
    }
    Status close(Handle file) override {
        Status e = before(Close, "");
        Status closed = sys().close(file);
        return e.ok() ? closed : e;
    }
    Status replace(const std::string& from, const std::string& to) override {
        if (Status e = before(Replace, to); !e.ok()) return e;
        return sys().replace(from, to);
    }
    Status rename_over(const std::string& from, const std::string& to) override {
        if (Status e = before(RenameOver, to); !e.ok()) return e;
        return sys().rename_over(from, to);
    }
    Status sync_folder(const std::string& folder) override {
        if (Status e = before(SyncFolder, folder); !e.ok()) return e;
        return sys().sync_folder(folder);
    }
    Status link(const std::string& existing, const std::string& to) override {
        if (Status e = before(Link, to); !e.ok()) return e;
        return sys().link(existing, to);
    }
    Status copy(const std::string& from, const std::string& to) override {
        if (Status e = before(Copy, to); !e.ok()) return e;
        return sys().copy(from, to);
    }
    Status remove(const std::string& path) override {
        if (Status e = before(Remove, path); !e.ok()) return e;
        return sys().remove(path);
    }
    Status make_folder(const std::string& path) override {
        if (Status e = before(MakeFolder, path); !e.ok()) return e;
        return sys().make_folder(path);
    }
    Status may_write(const std::string& path) override {
        if (Status e = before(MayWrite, path); !e.ok()) return e;
        return sys().may_write(path);
    }
    Status lock_folder(FolderLock& lock, const std::string& root, int wait_ms) override {
        if (Status e = before(LockFolder, root); !e.ok()) return e;
        return sys().lock_folder(lock, root, wait_ms);
    }

protected:
    static FileOps& sys() { return system_file_ops(); }
};

}  // namespace ce::test
