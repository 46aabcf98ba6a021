// The in-process COM server: the counts that tell the host whether the DLL
// may be unloaded, and the factories it hands out.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

namespace vtb {

class TComObjectFactory;

class TComServer {
public:
    TComServer();
    ~TComServer();  // destroys the server's factories, newest first
    TComServer(const TComServer&) = delete;
    TComServer& operator=(const TComServer&) = delete;

    // Interlocked; each returns the new count.
    LONG CountObject(bool created);
    LONG CountFactory(bool created);

    LONG ObjectCount() const { return objectCount_; }
    LONG FactoryCount() const { return factoryCount_; }
    bool IsInprocServer() const { return isInprocServer_; }
    // True while (or since) an update registers, false when it unregisters.
    bool Registering() const { return registering_; }

    // Makes the server own a factory of its own; the factory has already
    // linked itself into the module's factory list.
    TComObjectFactory& AddFactory(std::unique_ptr<TComObjectFactory> factory);

    // Writes (true) or removes (false) the registry entries of every factory
    // of this server that is not internal. A registry failure throws
    // std::runtime_error; entries written before it stay.
    void UpdateServerEntries(bool registerServer);

private:
    volatile LONG objectCount_ = 0;
    volatile LONG factoryCount_ = 0;
    bool isInprocServer_ = true;
    bool registering_ = true;
    std::vector<std::unique_ptr<TComObjectFactory>> factories_;
};

}  // namespace vtb
