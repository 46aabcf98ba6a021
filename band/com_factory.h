// The class factories of the COM server, and the module's list of them.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <memory>
#include <string>

#include "win/com_object.h"
#include "win/handles.h"
#include "win/locks.h"

namespace vtb {

class TComServer;

enum class TClassInstancing { ciInternal, ciSingleInstance, ciMultiInstance };
enum class TThreadingModel { tmSingle, tmApartment, tmFree, tmBoth, tmNeutral };

class TComObjectFactory : public IClassFactory, public TObjectCounter {
public:
    // Links the factory at the head of the module's factory list.
    TComObjectFactory(TComServer& server, const CLSID& classId, std::string className, std::string description,
                      TClassInstancing instancing, TThreadingModel threadingModel);
    virtual ~TComObjectFactory();  // unlinks the factory
    TComObjectFactory(const TComObjectFactory&) = delete;
    TComObjectFactory& operator=(const TComObjectFactory&) = delete;

    // IUnknown: the references count on the server; they never destroy the factory.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL lock) override;

    // The class's objects count on the server.
    LONG CountObject(bool created) override;

    // Empty for a class without a class name, else "<module name>.<class name>".
    virtual std::string GetProgID() const;
    // One new object of the class; throws when it cannot be built.
    virtual std::unique_ptr<TComObject> CreateComObject(IUnknown* outer) = 0;
    // Writes (true) or removes (false) the class's registry entries. A key
    // that cannot be created or a value that cannot be written throws
    // std::runtime_error.
    virtual void UpdateClassEntries(bool registerClass);

    TComServer& ComServer() const { return server_; }
    const CLSID& ClassID() const { return classId_; }
    const std::string& ClassName() const { return className_; }
    const std::string& Description() const { return description_; }
    TClassInstancing Instancing() const { return instancing_; }
    TThreadingModel ThreadingModel() const { return threadingModel_; }
    // A failed construction is shown in a message box.
    bool ShowErrors = true;

private:
    void ShowConstructionError(const std::string& text) const;
    friend class TComClassManager;

    TComServer& server_;
    CLSID classId_;
    std::string className_;
    std::string description_;
    TClassInstancing instancing_;
    TThreadingModel threadingModel_;
    TComObjectFactory* next_ = nullptr;  // the factory list's link
};

// The module's factories, newest first. Lookups share the lock; adding,
// removing and walking for registration hold it alone.
class TComClassManager {
public:
    TComClassManager() = default;
    TComClassManager(const TComClassManager&) = delete;
    TComClassManager& operator=(const TComClassManager&) = delete;

    void AddObjectFactory(TComObjectFactory* factory);
    void RemoveObjectFactory(TComObjectFactory* factory);
    // The newest factory of the class, or null.
    TComObjectFactory* GetFactoryFromClassID(const CLSID& classId);
    // Runs action on every factory of server, newest first, under the write lock.
    void ForEachFactory(const TComServer* server, const std::function<void(TComObjectFactory&)>& action);

private:
    SlimLock lock_;
    TComObjectFactory* first_ = nullptr;
};

// The module's factory list, created on first use.
TComClassManager& ComClassManager();

}  // namespace vtb
