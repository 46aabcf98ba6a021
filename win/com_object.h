// The core of every COM object the module makes: counted lifetime,
// interface lookup through one table per class, aggregation, and the count
// that keeps the module loaded while an object lives.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstddef>

namespace vtb {

class TComObject;

// What keeps the module loaded while objects it made live: told of each
// counted object's construction and destruction (interlocked); returns the
// new count. The server counts its objects; each class factory passes its
// objects on to its server.
class TObjectCounter {
public:
    virtual LONG CountObject(bool created) = 0;

protected:
    ~TObjectCounter() = default;
};

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
    // Ends the construction, as a class factory does once the derived class
    // is built, and as the module does for objects it makes itself: the
    // count drops to 0 and the first reference taken is the holder's.
    void FinishConstruction();
    // The object's own IUnknown, never delegating; the last ObjRelease
    // destroys the object.
    virtual HRESULT ObjQueryInterface(REFIID riid, void** ppv);
    virtual ULONG ObjAddRef();
    virtual ULONG ObjRelease();

    IUnknown* Controller() const { return outer_; }
    TObjectCounter* Counter() const { return counter_; }
    LONG RefCount() const { return refCount_; }
    // The object's identity: the outer object's IUnknown when aggregated,
    // else the object's own (non-delegating) IUnknown. Not counted.
    IUnknown* Identity();

protected:
    // Counts the object as live with counter (none: uncounted) unless
    // exempt; the factory finishes the construction once the derived class
    // is built.
    TComObject(TObjectCounter* counter, IUnknown* outer, bool exempt = false);

    // The table of the object's most derived class.
    virtual const TInterfaceTable& Interfaces() const;
    static const TInterfaceTable& BaseInterfaces() { return kBaseInterfaces; }
    // A constant: derived classes' tables refer to it without code at load.
    static const TInterfaceTable kBaseInterfaces;
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

    IUnknown* outer_;
    TObjectCounter* counter_;
    bool exempt_;
    volatile LONG refCount_ = 1;
    TInnerUnknown inner_{*this};
};

}  // namespace vtb
