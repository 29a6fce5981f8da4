#pragma once
// A stand-in Office host: an Application with command bars, a File menu, Word's normal
// template, an add-in instance and ribbon controls. It only answers the object model of
// platform/OfficeHost.h and knows nothing of the tests, so the same objects can be handed out
// in-process or through any other binding.
//
// Every member can be told to fail: put its name into the object's `failing` set and the next
// calls throw host::HostError, as a late-bound call into a broken host would.
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/OfficeHost.h"

namespace ardeko::testkit {

inline constexpr int kFileMenuId = 30002;
inline constexpr int kEditMenuId = 30003;

// Member names of the failure switches, one per member of the object model.
class FailureSwitch {
public:
    std::set<std::string> failing;
    // Throws HostError when `member` is switched to fail.
    void Check(const std::string& member) const;
};

class FakeCommandBarControls;

class FakeCommandBarControl : public host::CommandBarControl,
                              public FailureSwitch,
                              public std::enable_shared_from_this<FakeCommandBarControl> {
public:
    int type = 1;  // 1 button, 10 popup
    int id = 1;
    bool temporary = false;
    bool deleted = false;

    // Button properties as last set; `sets` records each property write in order.
    std::string tag, caption, onAction, picture;
    int style = 0, faceId = 0, priority = 0;
    bool beginGroup = false;
    std::vector<std::string> sets;

    // Popups: their controls.
    std::shared_ptr<FakeCommandBarControls> children;

    // What a user's click does: the connected handler, if any, gets this button.
    // Returns the cancel-default flag as the handler left it.
    bool UserClick(bool cancelDefault = false);
    bool HasClickHandler() const { return static_cast<bool>(clickHandler_); }

    // --- host::CommandBarControl ---
    std::string Tag() override;
    void Delete() override;
    std::shared_ptr<host::CommandBarControls> Controls() override;
    void SetStyle(int value) override;
    void SetCaption(const std::string& value) override;
    void SetFaceId(int value) override;
    void SetTag(const std::string& value) override;
    void SetOnAction(const std::string& value) override;
    void SetBeginGroup(bool value) override;
    void SetPriority(int value) override;
    void SetPicture(const std::string& picturePath) override;
    void ConnectClick(ClickHandler handler) override;

private:
    friend class FakeCommandBarControls;
    std::weak_ptr<FakeCommandBarControls> owner_;
    ClickHandler clickHandler_;
};

class FakeCommandBarControls : public host::CommandBarControls,
                               public FailureSwitch,
                               public std::enable_shared_from_this<FakeCommandBarControls> {
public:
    // The controls in menu order.
    std::vector<std::shared_ptr<FakeCommandBarControl>> items;

    // Appends a control at the end (set-up of the stand-in, never fails).
    std::shared_ptr<FakeCommandBarControl> Append(int type, int id, const std::string& caption,
                                                  const std::string& tag = {});
    // Removes a control from the menu.
    void Remove(const FakeCommandBarControl& control);
    // Controls whose tag is `tag`.
    std::vector<std::shared_ptr<FakeCommandBarControl>> WithTag(const std::string& tag) const;

    // --- host::CommandBarControls ---
    int Count() override;
    std::shared_ptr<host::CommandBarControl> Item(int index) override;
    std::shared_ptr<host::CommandBarControl> Add(int type, std::optional<int> before, bool temporary) override;

    // Called after a control was added or deleted anywhere in the command bars (Word then
    // counts its normal template as changed). Shared by all menus of one host.
    std::shared_ptr<std::function<void()>> customized = std::make_shared<std::function<void()>>();

    // Failure switches that every control created by Add starts with.
    std::set<std::string> newControlsFail;

    // Every Add call: type, before, temporary.
    struct AddCall {
        int type;
        std::optional<int> before;
        bool temporary;
    };
    std::vector<AddCall> addCalls;
};

class FakeCommandBars : public host::CommandBars, public FailureSwitch {
public:
    // The menu bar's top-level controls (popups such as the File menu).
    std::shared_ptr<FakeCommandBarControls> menuBar = std::make_shared<FakeCommandBarControls>();

    // The first control with this id or tag, searched depth-first in menu order; nothing
    // when there is none, as the host answers.
    std::shared_ptr<host::CommandBarControl> FindControlById(int id) override;
    std::shared_ptr<host::CommandBarControl> FindControlByTag(const std::string& tag) override;

    std::shared_ptr<FakeCommandBarControl> FileMenu() const;
};

class FakeTemplate : public host::Template, public FailureSwitch {
public:
    bool saved = true;
    int savedWrites = 0;
    bool Saved() override;
    void SetSaved(bool value) override;
};

class FakeOfficeHost : public host::Application, public FailureSwitch {
public:
    // A host named `name` ("Microsoft Word" ...) of version `version` ("11.0" ...) with a menu
    // bar whose File and Edit menus hold a few built-in entries. Only Word gets a normal template.
    FakeOfficeHost(std::string name, std::string version);

    std::string name, version, build = "8169";
    std::shared_ptr<FakeCommandBars> commandBars = std::make_shared<FakeCommandBars>();
    std::shared_ptr<FakeTemplate> normalTemplate;

    std::shared_ptr<FakeCommandBarControl> FileMenu() const { return commandBars->FileMenu(); }
    // The File menu's entries (a shorthand for the tests' look at the menu).
    std::vector<std::shared_ptr<FakeCommandBarControl>>& FileMenuItems() const;

    // --- host::Application ---
    std::string Name() override;
    std::string Version() override;
    std::string Build() override;
    std::shared_ptr<host::CommandBars> GetCommandBars() override;
    std::shared_ptr<host::Template> NormalTemplate() override;
};

class FakeAddInInstance : public host::AddInInstance, public FailureSwitch {
public:
    explicit FakeAddInInstance(std::string id) : progId(std::move(id)) {}
    std::string progId;
    std::string ProgId() override;
};

class FakeRibbonControl : public host::RibbonControl, public FailureSwitch {
public:
    explicit FakeRibbonControl(std::string controlId) : id(std::move(controlId)) {}
    std::string id;
    std::string Id() override;
};

class FakeRibbonUI : public host::RibbonUI {};

}  // namespace ardeko::testkit
