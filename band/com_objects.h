// The COM object framework of the server: objects with counted lifetime,
// interface lookup through one table per class and aggregation; their class
// factories; and the module's list of factories.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "win/handles.h"
#include "win/locks.h"

namespace vtb {

class TComServer;
class TComObject;
class TComObjectFactory;

enum class TClassInstancing { ciInternal, ciSingleInstance, ciMultiInstance };
enum class TThreadingModel { tmSingle, tmApartment, tmFree, tmBoth, tmNeutral };

// One row of a class's interface table: an identifier and how to reach that
// interface of an object of the class.
struct TInterfaceEntry {
    const IID* iid;
    IUnknown* (*get)(TComObject* object);
};

// The interfaces a class adds; lookup walks the class's table, then its base's.
struct TInterfaceTable {
    const TInterfaceEntry* entries;
    std::size_t count;
    const TInterfaceTable* base;
};

// Interface entry for an interface that Class inherits.
template <typename Class, typename Interface>
IUnknown* InterfaceOf(TComObject* object) {
    return static_cast<Interface*>(static_cast<Class*>(object));
}

// The module is unloading: objects destroyed from now on leave the counts alone.
void NoteComShutdown();
bool ComShuttingDown();

class TComObject : public ISupportErrorInfo {
public:
    virtual ~TComObject();

    // IUnknown as every interface of the object answers it: the outer
    // object's when aggregated, the object's own otherwise.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // ISupportErrorInfo: S_OK for every interface of the table.
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    // Called once at the end of construction.
    virtual void Initialize() {}
    // The object's own IUnknown, never delegating; the last ObjRelease
    // destroys the object.
    virtual HRESULT ObjQueryInterface(REFIID riid, void** ppv);
    virtual ULONG ObjAddRef();
    virtual ULONG ObjRelease();

    IUnknown* Controller() const { return outer_; }
    TComObjectFactory* Factory() const { return factory_; }
    LONG RefCount() const { return refCount_; }
    // The object's identity: the outer object's IUnknown when aggregated,
    // else the object's own (non-delegating) IUnknown. Not counted.
    IUnknown* Identity();

protected:
    // Counts the object as live unless exempt; the factory finishes the
    // construction once the derived class is built.
    TComObject(TComObjectFactory* factory, IUnknown* outer, bool exempt = false);

    // The table of the object's most derived class.
    virtual const TInterfaceTable& Interfaces() const;
    static const TInterfaceTable& BaseInterfaces() { return kBaseInterfaces; }
    // A constant: derived classes' tables refer to it without code at load.
    static const TInterfaceTable kBaseInterfaces;
    // Ends the construction as the factory does: the count drops to 0 and
    // the first reference taken is the holder's. For objects the module
    // makes itself, not through a factory.
    void FinishConstruction();

private:
    // The non-delegating IUnknown that an outer object holds.
    class TInnerUnknown : public IUnknown {
    public:
        explicit TInnerUnknown(TComObject& object) : object_(object) {}
        virtual ~TInnerUnknown() = default;
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;

    private:
        TComObject& object_;
    };

    static const TInterfaceEntry kBaseEntries[2];
    static IUnknown* InnerOf(TComObject* object) { return &object->inner_; }
    static IUnknown* SupportErrorInfoOf(TComObject* object);
    const TInterfaceEntry* FindInterface(REFIID riid) const;
    friend class TComObjectFactory;

    IUnknown* outer_;
    TComObjectFactory* factory_;
    bool exempt_;
    volatile LONG refCount_ = 1;
    TInnerUnknown inner_{*this};
};

class TComObjectFactory : public IClassFactory {
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
