// OffArdeko.dll loaded directly: its entry points, its classes' COM contract, the object count
// that decides whether it may be unloaded, and per-user registration.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "addin/Connect.h"
#include "addin/win32/Dispatch.h"
#include "platform/win32/WinText.h"

namespace ardeko {
namespace {

using addin::win32::Ref;
using win32::Wide;

const IID kExtensibility = {0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
const IID kRibbonExtensibility = {0x000C0396, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool KeyExists(const std::string& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::string Text(const std::string& key, const char* name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, Wide(key).c_str(), name ? Wide(name).c_str() : nullptr, RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
        return "<missing>";
    return win32::Utf8(buffer);
}

class AddinLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        std::string path = ARDEKO_ADDIN_DLL;  // under Wine the build tree is drive Z:
        if (path.starts_with('/')) std::replace(path.begin(), path.end(), '/', '\\'), path = "Z:" + path;
        module = LoadLibraryW(Wide(path).c_str());
        ASSERT_NE(module, nullptr);
        CoInitialize(nullptr);
    }
    void TearDown() override {
        CoUninitialize();
        if (module) FreeLibrary(module);
    }
    // An entry point of the library by name; FARPROC is cast through a plain pointer.
    template <class F>
    F* Entry(const char* name) {
        auto* f = reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        EXPECT_NE(f, nullptr) << name;
        return f;
    }
    HMODULE module = nullptr;
};

// How the stand-in hosts use the objects is checked there; here, the rest of the COM contract.
TEST_F(AddinLibrary, EveryClassMakesObjectsOfOneIdentityAndCountsThem) {
    auto* getClassObject = Entry<HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**)>("DllGetClassObject");
    auto* canUnloadNow = Entry<HRESULT STDAPICALLTYPE()>("DllCanUnloadNow");
    ASSERT_TRUE(getClassObject && canUnloadNow);
    for (const auto& host : AddinHosts()) {
        SCOPED_TRACE(host.className);
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromString(Wide(host.classId).c_str(), &clsid), S_OK);
        Ref<IClassFactory> factory;
        ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.out())), S_OK);
        EXPECT_EQ(canUnloadNow(), S_FALSE);  // the factory is alive

        Ref<IUnknown> object;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.out())), S_OK);
        void* aggregated = nullptr;
        EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(1), IID_IUnknown, &aggregated), CLASS_E_NOAGGREGATION);
        factory = Ref<IClassFactory>();
        EXPECT_EQ(canUnloadNow(), S_FALSE);  // the object is alive

        for (const IID* iid : {&IID_IDispatch, &kExtensibility, &kRibbonExtensibility}) {
            Ref<IUnknown> face, identity;
            ASSERT_EQ(object->QueryInterface(*iid, reinterpret_cast<void**>(face.out())), S_OK);
            face->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.out()));
            EXPECT_EQ(identity.get(), object.get());
        }
        Ref<IUnknown> none;
        EXPECT_EQ(object->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(none.out())), E_NOINTERFACE);
        Ref<IDispatch> dispatch;
        object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.out()));
        LPOLESTR unknown = const_cast<LPOLESTR>(L"Archivieren");
        DISPID id = 0;
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
        LPOLESTR customUi = const_cast<LPOLESTR>(L"GetCustomUI");
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &customUi, 1, 0, &id), S_OK);
        EXPECT_EQ(id, 1) << "the id the hosts' ribbon interface declares";
        dispatch = Ref<IDispatch>();
        object = Ref<IUnknown>();
        EXPECT_EQ(canUnloadNow(), S_OK);
    }
    CLSID other{};
    CLSIDFromString(L"{00000000-1111-2222-3333-444444444444}", &other);
    void* factory = nullptr;
    EXPECT_EQ(getClassObject(other, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE);
}

// What lands where is checked by the installer's test, and the machine-wide registration by the
// stand-in hosts; here, the texts the hosts show, the type library's name and what must stay.
TEST_F(AddinLibrary, PerUserRegistrationWritesTheHostsTextsAndRemovesOnlyItsOwnKeys) {
    auto* registerServer = Entry<HRESULT STDAPICALLTYPE()>("DllRegisterServer");
    auto* unregisterServer = Entry<HRESULT STDAPICALLTYPE()>("DllUnregisterServer");
    auto* install = Entry<HRESULT STDAPICALLTYPE(BOOL, LPCWSTR)>("DllInstall");
    ASSERT_TRUE(registerServer && unregisterServer && install);
    // Someone else's add-in in the same host list must survive our unregistering.
    const std::string others = "Software\\Microsoft\\Office\\Word\\Addins\\Other.Connect";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, Wide(others).c_str(), L"FriendlyName", REG_SZ, L"x", 4), ERROR_SUCCESS);
    const std::string typeLib = "Software\\Classes\\TypeLib\\{BDBE34B5-1FCC-4482-A12C-731489742565}";

    ASSERT_EQ(registerServer(), S_OK);
    for (const auto& host : AddinHosts()) {
        SCOPED_TRACE(host.className);
        EXPECT_EQ(Text(std::string("Software\\Classes\\CLSID\\") + host.classId + "\\InprocServer32", "ThreadingModel"), "Apartment");
        const std::string addin = std::string("Software\\Microsoft\\Office\\") + host.hostName + "\\Addins\\" + host.progId;
        EXPECT_EQ(Text(addin, "FriendlyName"), host.friendlyName);
        EXPECT_EQ(Text(addin, "Description"), AddinDescription());
    }
    EXPECT_EQ(Text(typeLib + "\\2.2", nullptr), "Veltrano Archivierungs-Assistent");

    // While the library of the other bitness is registered (its mark in the type library), the
    // keys both share stay; the last one to go removes them.
    const std::string otherMark = typeLib + "\\2.2\\0\\win32";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, Wide(otherMark).c_str(), nullptr, REG_SZ, L"x", 4), ERROR_SUCCESS);
    ASSERT_EQ(unregisterServer(), S_OK);
    const auto& word = AddinHosts()[0];
    EXPECT_TRUE(KeyExists(std::string("Software\\Classes\\") + word.progId));
    EXPECT_EQ(Text(std::string("Software\\Microsoft\\Office\\Word\\Addins\\") + word.progId, "FriendlyName"), word.friendlyName);
    EXPECT_FALSE(KeyExists(typeLib + "\\2.2\\0\\win64"));
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(otherMark).c_str());

    ASSERT_EQ(unregisterServer(), S_OK);
    for (const auto& host : AddinHosts())
        EXPECT_FALSE(KeyExists(std::string("Software\\Classes\\") + host.progId)) << host.progId;
    EXPECT_FALSE(KeyExists(typeLib));
    EXPECT_TRUE(KeyExists(others));
    RegDeleteKeyW(HKEY_CURRENT_USER, Wide(others).c_str());

    // The scope of DllInstall: per user, machine-wide, or refused.
    EXPECT_EQ(install(TRUE, L"elsewhere"), E_INVALIDARG);
    EXPECT_EQ(install(TRUE, L"user"), S_OK);
    EXPECT_TRUE(KeyExists(std::string("Software\\Classes\\") + AddinHosts()[0].progId));
    EXPECT_EQ(install(FALSE, L"user"), S_OK);
    EXPECT_FALSE(KeyExists(std::string("Software\\Classes\\") + AddinHosts()[0].progId));
}

}  // namespace
}  // namespace ardeko
