#pragma once
// The object model of the stand-in host, as real COM objects: the application, its command
// bars with a menu bar whose File menu takes buttons, Word's normal template, the add-in's
// COMAddIn entry and the ribbon's control and ribbon objects. Everything an add-in changes is
// recorded, so that a test can look at the host afterwards as a user would.
#include <windows.h>
#include <ocidl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "officehost/Dispatch.h"

namespace ardeko::officehost {

inline constexpr int kFileMenuId = 30002;
inline constexpr DISPID kClickDispId = 1;
// The command-bar button's event interface and the ribbon's control and UI interfaces.
inline constexpr IID kButtonEventsIid = {0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kRibbonControlIid = {0x000C0395, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kRibbonUiIid = {0x000C03A7, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The ribbon interfaces as the hosts declare them (dual: the dispatch part is served by name).
struct IRibbonControlIface : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Context(IDispatch** context) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Tag(BSTR* tag) = 0;
};
struct IRibbonUIIface : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Invalidate() = 0;
    virtual HRESULT STDMETHODCALLTYPE InvalidateControl(BSTR id) = 0;
    virtual HRESULT STDMETHODCALLTYPE InvalidateControlMso(BSTR id) = 0;
    virtual HRESULT STDMETHODCALLTYPE ActivateTab(BSTR id) = 0;
    virtual HRESULT STDMETHODCALLTYPE ActivateTabMso(BSTR id) = 0;
    virtual HRESULT STDMETHODCALLTYPE ActivateTabQ(BSTR id, BSTR ns) = 0;
};

// What all objects of one host share: the call record and Word's template state.
struct HostState {
    std::vector<std::string> calls;  // "FindControl(Id=30002)", "Add(Type=1, Before=4, Temporary=True)", ...
    bool word = false;
    bool templateSaved = true;
    int templateWrites = 0;
    // A control came or went: Word counts its normal template as changed.
    void Changed() {
        if (word) templateSaved = false;
    }
};

class Control;

// The connection point of a button's click event, part of its button (same lifetime and
// reference count).
class ClickEvents : public IConnectionPoint {
public:
    explicit ClickEvents(Control& owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

    std::map<DWORD, Ref<IDispatch>> sinks;

private:
    Control& owner_;
    DWORD next_ = 1;
};

// A command-bar control: a popup (type 10) holding controls, or a button (type 1).
class Control : public DispatchObject<IDispatch>, public IConnectionPointContainer {
public:
    Control(HostState& state, int type, int id);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return DispatchObject::QueryInterface(iid, out); }
    ULONG STDMETHODCALLTYPE AddRef() override { return DispatchObject::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DispatchObject::Release(); }
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

    // Set-up of the host; records nothing.
    Control* Append(int type, int id, const std::string& tag = {});
    // The first control below this one for which `pred` holds, depth-first in menu order.
    template <class Pred>
    Control* Find(Pred pred) {
        for (const auto& c : items)
            if (Control* found = pred(*c.get()) ? c.get() : c->Find(pred)) return found;
        return nullptr;
    }
    std::string TagText() const { return props.count("Tag") ? props.at("Tag") : ""; }
    // A user's click: every connected sink gets Click(Ctrl, CancelDefault by reference).
    // The HRESULT of the last sink (S_FALSE: nobody listens); `cancel` as the sinks left it.
    HRESULT Click(bool& cancel);

    int type, id;
    bool temporary = false, deleted = false;
    std::map<std::string, std::string> props;  // as written, as text: "FaceId" -> "1022"
    std::vector<Ref<Control>> items;           // a popup's controls in menu order
    Control* owner = nullptr;
    ClickEvents events{*this};

private:
    void* Extra(REFIID iid) override;
    void Property(const wchar_t* name, bool boolean = false, bool picture = false);
    HostState& state_;
};

// The host's command bars: finds controls anywhere in the menu bar.
class CommandBarsObject : public DispatchObject<IDispatch> {
public:
    explicit CommandBarsObject(HostState& state);
    Ref<Control> menuBar;

private:
    HostState& state_;
};

class TemplateObject : public DispatchObject<IDispatch> {
public:
    explicit TemplateObject(HostState& state);
};

class ApplicationObject : public DispatchObject<IDispatch> {
public:
    ApplicationObject(HostState& state, std::string name, std::string version, std::string build);
    Ref<CommandBarsObject> commandBars;
    Ref<TemplateObject> normalTemplate;  // Word only
};

// The host's entry for a loaded add-in.
class COMAddInObject : public DispatchObject<IDispatch> {
public:
    COMAddInObject(std::string progId, std::string description);
    std::string progId, description;
    int progIdReads = 0;
};

class RibbonControlObject : public DispatchObject<IRibbonControlIface> {
public:
    RibbonControlObject(std::string id, IDispatch* context);
    HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) override;
    HRESULT STDMETHODCALLTYPE get_Context(IDispatch** context) override;
    HRESULT STDMETHODCALLTYPE get_Tag(BSTR* tag) override;
    std::string id;
    int idReads = 0;

private:
    Ref<IDispatch> context_;
};

class RibbonUIObject : public DispatchObject<IRibbonUIIface> {
public:
    RibbonUIObject();
    HRESULT STDMETHODCALLTYPE Invalidate() override;
    HRESULT STDMETHODCALLTYPE InvalidateControl(BSTR id) override;
    HRESULT STDMETHODCALLTYPE InvalidateControlMso(BSTR id) override;
    HRESULT STDMETHODCALLTYPE ActivateTab(BSTR id) override;
    HRESULT STDMETHODCALLTYPE ActivateTabMso(BSTR id) override;
    HRESULT STDMETHODCALLTYPE ActivateTabQ(BSTR id, BSTR ns) override;
    std::vector<std::string> invalidated;  // "*" for the whole ribbon
};

}  // namespace ardeko::officehost
