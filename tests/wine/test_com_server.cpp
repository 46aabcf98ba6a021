// The server's exports and lifetime, the class factory and the object
// framework: through the DLL as the browser uses it, and from inside with
// object classes of the tests' own.
#include <windows.h>
#include <ole2.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "band/com_factory.h"
#include "band/com_server.h"
#include "band/registry.h"
#include "tests/wine/support_wine.h"
#include "win/class_id.h"
#include "win/handles.h"
#include "win/module.h"

namespace {

using vtb::ComPtr;

const CLSID kBandClsid = vtb::kBandClassGuid;
const CLSID kOtherClsid = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

// ---- Through the DLL -------------------------------------------------------

class ServerExports : public ::testing::Test {
protected:
    ComPtr<IClassFactory> Factory() {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(S_OK, dll_.GetClassObject(kBandClsid, IID_IClassFactory, factory.put_void()));
        return factory;
    }

    vtbtest::MessageBoxWatcher boxes_;
    vtbtest::ToolbarDll dll_;
};

TEST_F(ServerExports, CanUnloadFollowsTheFactoryReference) {
    ASSERT_TRUE(dll_.module);
    EXPECT_EQ(S_OK, dll_.CanUnloadNow());
    {
        ComPtr<IClassFactory> factory = Factory();
        ASSERT_TRUE(factory);
        EXPECT_EQ(S_FALSE, dll_.CanUnloadNow());
    }
    EXPECT_EQ(S_OK, dll_.CanUnloadNow());
}

TEST_F(ServerExports, CanUnloadFollowsTheLiveBands) {
    ASSERT_TRUE(dll_.module);
    ComPtr<IDeskBand> band;
    {
        ComPtr<IClassFactory> factory = Factory();
        ASSERT_TRUE(factory);
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDeskBand, band.put_void()));
        ComPtr<IDeskBand> second;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDeskBand, second.put_void()));
        EXPECT_NE(band.get(), second.get()) << "each CreateInstance makes a new band";
    }
    EXPECT_EQ(S_FALSE, dll_.CanUnloadNow());
    band.reset();
    EXPECT_EQ(S_OK, dll_.CanUnloadNow());
}

TEST_F(ServerExports, LockServerHoldsTheModule) {
    ASSERT_TRUE(dll_.module);
    {
        ComPtr<IClassFactory> factory = Factory();
        ASSERT_TRUE(factory);
        EXPECT_EQ(S_OK, factory->LockServer(TRUE));
        factory.reset();
        EXPECT_EQ(S_FALSE, dll_.CanUnloadNow());
        ComPtr<IClassFactory> again = Factory();
        ASSERT_TRUE(again);
        EXPECT_EQ(S_OK, again->LockServer(FALSE));
    }
    EXPECT_EQ(S_OK, dll_.CanUnloadNow());
}

TEST_F(ServerExports, GetClassObjectAnswersOnlyForTheBandClass) {
    ASSERT_TRUE(dll_.module);
    void* object = &object;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, dll_.GetClassObject(kOtherClsid, IID_IClassFactory, &object));
    EXPECT_EQ(nullptr, object);

    object = &object;
    EXPECT_EQ(E_NOINTERFACE, dll_.GetClassObject(kBandClsid, IID_IDeskBand, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(S_OK, dll_.CanUnloadNow()) << "a refused query counts no factory reference";

    ComPtr<IUnknown> unknown;
    EXPECT_EQ(S_OK, dll_.GetClassObject(kBandClsid, IID_IUnknown, unknown.put_void()));
    EXPECT_TRUE(unknown);
    EXPECT_EQ(E_POINTER, dll_.GetClassObject(kBandClsid, IID_IClassFactory, nullptr));
}

TEST_F(ServerExports, FactoryReferencesCountOnTheServer) {
    ASSERT_TRUE(dll_.module);
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    ComPtr<IClassFactory> same = Factory();
    EXPECT_EQ(factory.get(), same.get()) << "one factory per module";
    EXPECT_EQ(3u, factory->AddRef());
    EXPECT_EQ(2u, factory->Release());

    ComPtr<IUnknown> unknown;
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, unknown.put_void()));
    void* other = &other;
    EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IClassFactory2, &other));
    EXPECT_EQ(nullptr, other);
}

TEST_F(ServerExports, CreateInstanceChecksItsArguments) {
    ASSERT_TRUE(dll_.module);
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IDeskBand, nullptr));

    // An interface the band lacks: no object may stay behind.
    void* object = &object;
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IOleWindow, &object));
    EXPECT_EQ(nullptr, object);
    factory.reset();
    EXPECT_EQ(S_OK, dll_.CanUnloadNow());
}

// An outer object that counts what its aggregated band delegates to it.
class Outer : public IUnknown {
public:
    virtual ~Outer() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        ++queries;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
    int queries = 0;
};

TEST_F(ServerExports, AggregatedBandDelegatesToItsOuterObject) {
    ASSERT_TRUE(dll_.module);
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    Outer outer;

    void* object = &object;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IDeskBand, &object));
    EXPECT_EQ(nullptr, object);

    IUnknown* inner = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
    ASSERT_NE(nullptr, inner);
    EXPECT_EQ(1u, outer.refs) << "the inner object does not count on its outer";

    // The inner IUnknown is the object's own and hands out its interfaces...
    IDeskBand* band = nullptr;
    ASSERT_EQ(S_OK, inner->QueryInterface(IID_IDeskBand, reinterpret_cast<void**>(&band)));
    EXPECT_EQ(2u, outer.refs) << "the interface's reference belongs to the outer object";
    // ... whose IUnknown methods go to the outer object.
    IUnknown* identity = nullptr;
    EXPECT_EQ(S_OK, band->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(&outer, identity);
    EXPECT_EQ(1, outer.queries);
    identity->Release();
    band->Release();
    EXPECT_EQ(1u, outer.refs);

    EXPECT_EQ(S_FALSE, dll_.CanUnloadNow());
    factory.reset();
    EXPECT_EQ(0u, inner->Release());
    EXPECT_EQ(S_OK, dll_.CanUnloadNow());
}

TEST_F(ServerExports, ObjectReferencesCountOnTheObject) {
    ASSERT_TRUE(dll_.module);
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    IDeskBand* band = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDeskBand, reinterpret_cast<void**>(&band)));
    EXPECT_EQ(2u, band->AddRef());
    EXPECT_EQ(1u, band->Release());
    EXPECT_EQ(0u, band->Release());
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// ---- The framework from inside --------------------------------------------

// An object class of the tests: IPersist on top of the base's interfaces.
class TTestObject : public vtb::TComObject, public IPersist {
public:
    TTestObject(vtb::TComObjectFactory* factory, IUnknown* outer, bool failInitialize)
        : TComObject(factory, outer), failInitialize_(failInitialize) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return TComObject::QueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return TComObject::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return TComObject::Release(); }
    STDMETHODIMP GetClassID(CLSID* id) override {
        *id = kOtherClsid;
        return S_OK;
    }

    void Initialize() override {
        ++initialized;
        if (failInitialize_) throw std::runtime_error("Initialisation refused");
    }
    static int initialized;

protected:
    const vtb::TInterfaceTable& Interfaces() const override {
        static const vtb::TInterfaceEntry entries[] = {
            {&IID_IPersist, &vtb::InterfaceOf<TTestObject, IPersist>},
        };
        static const vtb::TInterfaceTable table = {entries, 1, &BaseInterfaces()};
        return table;
    }

private:
    bool failInitialize_;
};
int TTestObject::initialized = 0;

class TTestFactory : public vtb::TComObjectFactory {
public:
    TTestFactory(vtb::TComServer& server, const CLSID& id, vtb::TClassInstancing instancing, std::string className = "")
        : TComObjectFactory(server, id, std::move(className), "Test class", instancing,
                            vtb::TThreadingModel::tmApartment) {}

    std::unique_ptr<vtb::TComObject> CreateComObject(IUnknown* outer) override {
        if (Make) return Make(outer);
        return std::make_unique<TTestObject>(this, outer, false);
    }
    void UpdateClassEntries(bool registerClass) override {
        updates.push_back(registerClass);
        if (failUpdate) throw std::runtime_error("registry refused");
        if (baseUpdate) TComObjectFactory::UpdateClassEntries(registerClass);
    }

    std::function<std::unique_ptr<vtb::TComObject>(IUnknown*)> Make;
    std::vector<bool> updates;
    bool failUpdate = false;
    bool baseUpdate = false;
};

class ComFramework : public ::testing::Test {
protected:
    void SetUp() override { TTestObject::initialized = 0; }

    vtbtest::MessageBoxWatcher boxes_;
    vtb::TComServer server_;
};

TEST_F(ComFramework, QueryInterfaceWalksTheClassTableThenTheBase) {
    TTestFactory factory(server_, kOtherClsid, vtb::TClassInstancing::ciMultiInstance);
    ComPtr<IPersist> persist;
    ASSERT_EQ(S_OK, factory.CreateInstance(nullptr, IID_IPersist, persist.put_void()));
    EXPECT_EQ(1, TTestObject::initialized) << "the initialisation hook runs once";
    EXPECT_EQ(1, server_.ObjectCount());

    ComPtr<ISupportErrorInfo> errorInfo;
    EXPECT_EQ(S_OK, persist->QueryInterface(IID_ISupportErrorInfo, errorInfo.put_void()));
    ASSERT_TRUE(errorInfo);
    EXPECT_EQ(S_OK, errorInfo->InterfaceSupportsErrorInfo(IID_IPersist));
    EXPECT_EQ(S_OK, errorInfo->InterfaceSupportsErrorInfo(IID_ISupportErrorInfo));
    EXPECT_EQ(S_FALSE, errorInfo->InterfaceSupportsErrorInfo(IID_IPersistStream));

    ComPtr<IUnknown> viaPersist, viaErrorInfo;
    persist->QueryInterface(IID_IUnknown, viaPersist.put_void());
    errorInfo->QueryInterface(IID_IUnknown, viaErrorInfo.put_void());
    EXPECT_EQ(viaPersist.get(), viaErrorInfo.get()) << "one identity";

    void* none = &none;
    EXPECT_EQ(E_NOINTERFACE, persist->QueryInterface(IID_IPersistStream, &none));
    EXPECT_EQ(nullptr, none);

    persist.reset();
    errorInfo.reset();
    viaPersist.reset();
    viaErrorInfo.reset();
    EXPECT_EQ(0, server_.ObjectCount()) << "the last Release destroys the object";
}

TEST_F(ComFramework, FailedConstructionShowsAStopBoxAndLeavesNothing) {
    TTestFactory factory(server_, kOtherClsid, vtb::TClassInstancing::ciMultiInstance);
    factory.Make = [&factory](IUnknown*) -> std::unique_ptr<vtb::TComObject> {
        return std::make_unique<TTestObject>(&factory, nullptr, true);
    };
    void* object = &object;
    EXPECT_EQ(E_UNEXPECTED, factory.CreateInstance(nullptr, IID_IPersist, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(0, server_.ObjectCount());

    ASSERT_TRUE(boxes_.WaitForBoxes(1, 5000));
    const auto boxes = boxes_.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Initialisation refused.", boxes[0].text);
    EXPECT_EQ(vtb::ApplicationTitle(), boxes[0].caption);
    EXPECT_TRUE(boxes[0].stopIcon);

    // Without show errors the failure is silent.
    boxes_.Clear();
    factory.ShowErrors = false;
    factory.Make = [](IUnknown*) -> std::unique_ptr<vtb::TComObject> { throw std::bad_alloc(); };
    EXPECT_EQ(E_UNEXPECTED, factory.CreateInstance(nullptr, IID_IPersist, &object));
    vtbtest::PumpToShowNothingHappens(100);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(ComFramework, ARefusedInterfaceDestroysTheNewObject) {
    TTestFactory factory(server_, kOtherClsid, vtb::TClassInstancing::ciMultiInstance);
    void* object = &object;
    EXPECT_EQ(E_NOINTERFACE, factory.CreateInstance(nullptr, IID_IDeskBand, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(1, TTestObject::initialized);
    EXPECT_EQ(0, server_.ObjectCount());
}

TEST_F(ComFramework, FactoryListFindsTheNewestFactoryOfAClass) {
    TTestFactory older(server_, kOtherClsid, vtb::TClassInstancing::ciMultiInstance);
    EXPECT_EQ(&older, vtb::ComClassManager().GetFactoryFromClassID(kOtherClsid));
    {
        TTestFactory newer(server_, kOtherClsid, vtb::TClassInstancing::ciMultiInstance);
        EXPECT_EQ(&newer, vtb::ComClassManager().GetFactoryFromClassID(kOtherClsid));
    }
    EXPECT_EQ(&older, vtb::ComClassManager().GetFactoryFromClassID(kOtherClsid)) << "the newer one unlinked itself";
}

TEST_F(ComFramework, ServerUpdatesItsOwnPublicFactoriesNewestFirst) {
    vtb::TComServer otherServer;
    const CLSID second = {0x22222222, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::vector<const TTestFactory*> order;
    auto& first = static_cast<TTestFactory&>(server_.AddFactory(
        std::make_unique<TTestFactory>(server_, kOtherClsid, vtb::TClassInstancing::ciMultiInstance)));
    auto& internal = static_cast<TTestFactory&>(
        server_.AddFactory(std::make_unique<TTestFactory>(server_, second, vtb::TClassInstancing::ciInternal)));
    auto& newest = static_cast<TTestFactory&>(
        server_.AddFactory(std::make_unique<TTestFactory>(server_, second, vtb::TClassInstancing::ciSingleInstance)));
    TTestFactory foreign(otherServer, kOtherClsid, vtb::TClassInstancing::ciMultiInstance);

    std::vector<const vtb::TComObjectFactory*> walked;
    vtb::ComClassManager().ForEachFactory(&server_, [&walked](vtb::TComObjectFactory& f) { walked.push_back(&f); });
    EXPECT_EQ((std::vector<const vtb::TComObjectFactory*>{&newest, &internal, &first}), walked);

    server_.UpdateServerEntries(false);
    EXPECT_FALSE(server_.Registering());
    EXPECT_EQ(std::vector<bool>{false}, first.updates);
    EXPECT_EQ(std::vector<bool>{false}, newest.updates);
    EXPECT_TRUE(internal.updates.empty()) << "internal classes are not registered";
    EXPECT_TRUE(foreign.updates.empty()) << "another server's factory";

    first.failUpdate = true;
    EXPECT_THROW(server_.UpdateServerEntries(true), std::runtime_error);
    EXPECT_TRUE(server_.Registering());
    EXPECT_EQ((std::vector<bool>{false, true}), newest.updates) << "the newer factory ran before the failure";
}

TEST_F(ComFramework, LockServerCountsLiveObjects) {
    TTestFactory factory(server_, kOtherClsid, vtb::TClassInstancing::ciMultiInstance);
    EXPECT_EQ(S_OK, factory.LockServer(TRUE));
    EXPECT_EQ(1, server_.ObjectCount());
    EXPECT_EQ(S_OK, factory.LockServer(FALSE));
    EXPECT_EQ(0, server_.ObjectCount());
    EXPECT_EQ(0, server_.FactoryCount());
}

// Reads a REG_SZ value; "<missing>" when there is none.
std::string ClassesValue(const std::string& key, const char* name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return "<missing>";
    const vtb::UniqueKey opened(raw);
    char data[1024] = {};
    DWORD size = sizeof data, type = 0;
    if (RegQueryValueExA(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return "<missing>";
    return data;
}

TEST_F(ComFramework, BaseRegistrationWritesTheClassAndItsProgID) {
    const CLSID id = {0x5EC0DD1E, 0x7E57, 0x4C1A, {0x9B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};
    TTestFactory factory(server_, id, vtb::TClassInstancing::ciMultiInstance, "TestClass");
    factory.baseUpdate = true;
    const std::string classKey = "CLSID\\{5EC0DD1E-7E57-4C1A-9B00-000000000001}";
    EXPECT_EQ("wine_tests.TestClass", factory.GetProgID());

    factory.UpdateClassEntries(true);
    EXPECT_EQ("Test class", ClassesValue(classKey, nullptr));
    EXPECT_EQ(vtb::ServerModulePath(), ClassesValue(classKey + "\\InprocServer32", nullptr));
    EXPECT_EQ("Apartment", ClassesValue(classKey + "\\InprocServer32", "ThreadingModel"));
    EXPECT_EQ("wine_tests.TestClass", ClassesValue(classKey + "\\ProgID", nullptr));
    EXPECT_EQ("{5EC0DD1E-7E57-4C1A-9B00-000000000001}", ClassesValue("wine_tests.TestClass\\Clsid", nullptr));

    factory.UpdateClassEntries(false);
    HKEY raw = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, classKey.c_str(), 0, KEY_READ, &raw));
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "wine_tests.TestClass", 0, KEY_READ, &raw));
}

}  // namespace
