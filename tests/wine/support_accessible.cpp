#include "tests/wine/support_accessible.h"

#include <ole2.h>

#include <cstdio>
#include <fstream>

#include "tests/wine/support_wine.h"
#include "win/handles.h"

namespace vtbtest {

VARIANT ChildId(LONG id) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = id;
    return v;
}

namespace {

std::string RoleText(LONG role) {
    switch (role) {
    case ROLE_SYSTEM_TOOLBAR:
        return "tool bar";
    case ROLE_SYSTEM_PUSHBUTTON:
        return "push button";
    case ROLE_SYSTEM_BUTTONMENU:
        return "menu button";
    case ROLE_SYSTEM_COMBOBOX:
        return "combo box";
    case ROLE_SYSTEM_CLIENT:
        return "client";
    case ROLE_SYSTEM_WINDOW:
        return "window";
    default:
        return "role " + std::to_string(role);
    }
}

std::string Describe(IAccessible* object, LONG id) {
    const VARIANT child = ChildId(id);
    vtb::UniqueBstr name, action;
    vtb::UniqueVariant role;
    object->get_accName(child, name.put());
    object->get_accRole(child, role.get());
    object->get_accDefaultAction(child, action.put());
    const std::string roleText = V_VT(role.get()) == VT_I4 ? RoleText(V_I4(role.get())) : "?";
    return roleText + "|" + (name.get() ? vtb::Narrow(name.get()) : "") + "|" +
           (action.get() ? vtb::Narrow(action.get()) : "");
}

}  // namespace

IAccessible* ClientObject(HWND window) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object))))
        return nullptr;
    return object;
}

std::vector<std::string> ReadTree(IAccessible* root) {
    std::vector<std::string> lines{Describe(root, CHILDID_SELF)};
    long count = 0;
    if (FAILED(root->get_accChildCount(&count)) || count <= 0) return lines;
    std::vector<VARIANT> children(static_cast<std::size_t>(count));
    long obtained = 0;
    if (FAILED(AccessibleChildren(root, 0, count, children.data(), &obtained))) return lines;
    for (long i = 0; i < obtained; ++i) {
        VARIANT& child = children[static_cast<std::size_t>(i)];
        if (V_VT(&child) == VT_DISPATCH && V_DISPATCH(&child)) {
            vtb::ComPtr<IAccessible> object;
            V_DISPATCH(&child)->QueryInterface(IID_IAccessible, object.put_void());
            lines.push_back("  " + (object ? Describe(object.get(), CHILDID_SELF) : std::string("?")));
        } else if (V_VT(&child) == VT_I4) {
            lines.push_back("  " + Describe(root, V_I4(&child)));
        }
        VariantClear(&child);
    }
    return lines;
}

int RunTreeReader(HWND window, const std::string& file) {
    if (FAILED(OleInitialize(nullptr))) return 2;
    int result = 1;
    {
        vtb::ComPtr<IAccessible> root;
        if (IAccessible* object = ClientObject(window)) {
            root = object;
            object->Release();
        }
        if (root) {
            std::ofstream out(file, std::ios::binary);
            for (const std::string& line : ReadTree(root.get())) out << line << "\n";
            result = out ? 0 : 1;
        }
    }
    OleUninitialize();
    return result;
}

int RunObjectHolder(HWND window, const std::string& file) {
    if (FAILED(OleInitialize(nullptr))) return 2;
    int result = 1;
    {
        vtb::ComPtr<IAccessible> held;
        if (IAccessible* object = ClientObject(window)) {
            held = object;
            object->Release();
        }
        if (held) {
            std::ofstream(file, std::ios::binary) << "held\n";
            WaitUntil([window] { return !IsWindow(window); }, 20000);
            long count = 0;
            vtb::UniqueBstr name;
            const HRESULT counted = held->get_accChildCount(&count);
            const HRESULT named = held->get_accName(ChildId(CHILDID_SELF), name.put());
            char line[64];
            std::snprintf(line, sizeof line, "%08lx %08lx\n", static_cast<unsigned long>(counted),
                          static_cast<unsigned long>(named));
            std::ofstream(file, std::ios::binary | std::ios::app) << line;
            result = 0;
        }
    }
    OleUninitialize();
    return result;
}

}  // namespace vtbtest
