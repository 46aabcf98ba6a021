#include "band/com_factory.h"

#include <stdexcept>
#include <vector>

#include "band/com_server.h"
#include "band/registry.h"
#include "core/messages.h"
#include "win/handles.h"
#include "win/locks.h"
#include "win/module.h"

namespace vtb {

namespace {

const char* ThreadingModelName(TThreadingModel model) {
    switch (model) {
    case TThreadingModel::tmSingle:
        return "";
    case TThreadingModel::tmApartment:
        return "Apartment";
    case TThreadingModel::tmFree:
        return "Free";
    case TThreadingModel::tmBoth:
        return "Both";
    case TThreadingModel::tmNeutral:
        return "Neutral";
    }
    return "";
}

// The file name of the module without directory and extension.
std::string ModuleBaseName() {
    std::string name = ModulePath();
    name.erase(0, name.find_last_of("\\/") + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

}  // namespace

// ---- TComObjectFactory -----------------------------------------------------

TComObjectFactory::TComObjectFactory(TComServer& server, const CLSID& classId, std::string className,
                                     std::string description, TClassInstancing instancing,
                                     TThreadingModel threadingModel)
    : server_(server),
      classId_(classId),
      className_(std::move(className)),
      description_(std::move(description)),
      instancing_(instancing),
      threadingModel_(threadingModel) {
    ComClassManager().AddObjectFactory(this);
}

TComObjectFactory::~TComObjectFactory() { ComClassManager().RemoveObjectFactory(this); }

HRESULT TComObjectFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG TComObjectFactory::AddRef() { return server_.CountFactory(true); }

LONG TComObjectFactory::CountObject(bool created) { return server_.CountObject(created); }

ULONG TComObjectFactory::Release() { return server_.CountFactory(false); }

HRESULT TComObjectFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;

    std::unique_ptr<TComObject> object;
    try {
        object = CreateComObject(outer);
        if (!object) throw std::runtime_error("");
        object->FinishConstruction();
    } catch (const std::exception& error) {
        ShowConstructionError(error.what());
        return E_UNEXPECTED;
    } catch (...) {
        ShowConstructionError("");
        return E_UNEXPECTED;
    }

    const HRESULT result = object->ObjQueryInterface(riid, ppv);
    // A failed query left no reference: the unique_ptr destroys the object.
    if (object->RefCount() > 0) object.release();
    return result;
}

HRESULT TComObjectFactory::LockServer(BOOL lock) {
    const HRESULT result = CoLockObjectExternal(static_cast<IClassFactory*>(this), lock, TRUE);
    server_.CountObject(lock != FALSE);
    return result;
}

void TComObjectFactory::ShowConstructionError(const std::string& text) const {
    if (!ShowErrors) return;
    ShowToolbarBox(WithFullStop(text), MB_ICONSTOP | MB_SETFOREGROUND);
}

std::string TComObjectFactory::GetProgID() const {
    return className_.empty() ? std::string() : ModuleBaseName() + "." + className_;
}

void TComObjectFactory::UpdateClassEntries(bool registerClass) {
    if (instancing_ == TClassInstancing::ciInternal) return;
    const std::string classKey = "CLSID\\" + GUIDToString(classId_);
    const std::string progId = GetProgID();
    if (registerClass) {
        CreateRegKey(HKEY_CLASSES_ROOT, classKey, nullptr, description_);
        CreateRegKey(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", nullptr, ServerModulePath());
        if (threadingModel_ != TThreadingModel::tmSingle)
            CreateRegKey(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", "ThreadingModel",
                         ThreadingModelName(threadingModel_));
        if (!progId.empty()) {
            CreateRegKey(HKEY_CLASSES_ROOT, progId, nullptr, description_);
            CreateRegKey(HKEY_CLASSES_ROOT, progId + "\\Clsid", nullptr, GUIDToString(classId_));
            CreateRegKey(HKEY_CLASSES_ROOT, classKey + "\\ProgID", nullptr, progId);
        }
    } else {
        if (!progId.empty()) {
            DeleteRegKey(HKEY_CLASSES_ROOT, classKey + "\\ProgID");
            DeleteRegKey(HKEY_CLASSES_ROOT, progId + "\\Clsid");
            DeleteRegKey(HKEY_CLASSES_ROOT, progId);
        }
        DeleteRegKey(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32");
        DeleteRegKey(HKEY_CLASSES_ROOT, classKey);
    }
}

// ---- TComClassManager ------------------------------------------------------

void TComClassManager::AddObjectFactory(TComObjectFactory* factory) {
    ExclusiveLock guard(lock_);
    factory->next_ = first_;
    first_ = factory;
}

void TComClassManager::RemoveObjectFactory(TComObjectFactory* factory) {
    ExclusiveLock guard(lock_);
    for (TComObjectFactory** link = &first_; *link; link = &(*link)->next_) {
        if (*link == factory) {
            *link = factory->next_;
            factory->next_ = nullptr;
            return;
        }
    }
}

TComObjectFactory* TComClassManager::GetFactoryFromClassID(const CLSID& classId) {
    SharedLock guard(lock_);
    for (TComObjectFactory* factory = first_; factory; factory = factory->next_)
        if (IsEqualCLSID(factory->ClassID(), classId)) return factory;
    return nullptr;
}

void TComClassManager::ForEachFactory(const TComServer* server, const std::function<void(TComObjectFactory&)>& action) {
    ExclusiveLock guard(lock_);
    for (TComObjectFactory* factory = first_; factory; factory = factory->next_)
        if (&factory->ComServer() == server) action(*factory);
}

TComClassManager& ComClassManager() {
    // Made on first use and destroyed with the module's statics, after
    // DllMain has destroyed the server: every factory has unlinked itself by then.
    static TComClassManager manager;
    return manager;
}

}  // namespace vtb
