#include "band/com_server.h"

#include "band/com_factory.h"

namespace vtb {

TComServer::TComServer() = default;

TComServer::~TComServer() {
    // Newest first, as the factory list holds them; each unlinks itself.
    while (!factories_.empty()) factories_.pop_back();
}

LONG TComServer::CountObject(bool created) {
    return created ? InterlockedIncrement(&objectCount_) : InterlockedDecrement(&objectCount_);
}

LONG TComServer::CountFactory(bool created) {
    return created ? InterlockedIncrement(&factoryCount_) : InterlockedDecrement(&factoryCount_);
}

TComObjectFactory& TComServer::AddFactory(std::unique_ptr<TComObjectFactory> factory) {
    factories_.push_back(std::move(factory));
    return *factories_.back();
}

void TComServer::UpdateServerEntries(bool registerServer) {
    registering_ = registerServer;
    ComClassManager().ForEachFactory(this, [registerServer](TComObjectFactory& factory) {
        if (factory.Instancing() != TClassInstancing::ciInternal) factory.UpdateClassEntries(registerServer);
    });
}

}  // namespace vtb
