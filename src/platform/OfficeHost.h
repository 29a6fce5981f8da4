#pragma once
// The Office host's object model, as far as the add-in calls it. Every member may fail like a
// late-bound call: it then throws HostError. On Windows these are implemented over COM
// dispatch; tests use a double.
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace ardeko::host {

struct HostError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class CommandBarControls;

// A command-bar control (popup or button).
class CommandBarControl {
public:
    virtual ~CommandBarControl() = default;
    virtual std::string Tag() = 0;
    virtual void Delete() = 0;
    // Popups only: the controls in menu order.
    virtual std::shared_ptr<CommandBarControls> Controls() = 0;

    // Button properties.
    virtual void SetStyle(int style) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetFaceId(int faceId) = 0;
    virtual void SetTag(const std::string& tag) = 0;
    virtual void SetOnAction(const std::string& action) = 0;
    virtual void SetBeginGroup(bool begin) = 0;
    virtual void SetPriority(int priority) = 0;
    // Loads the picture file and assigns it to the button's picture.
    virtual void SetPicture(const std::string& picturePath) = 0;

    // The button's click event: the host calls the handler with the clicked button and its
    // cancel-default flag. An empty handler disconnects the event.
    using ClickHandler = std::function<void(CommandBarControl& ctrl, bool& cancelDefault)>;
    virtual void ConnectClick(ClickHandler handler) { (void)handler; }
};

class CommandBarControls {
public:
    virtual ~CommandBarControls() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<CommandBarControl> Item(int index) = 0;  // 1-based
    // type 1 is a button; `before` is the 1-based position (nothing: at the end).
    virtual std::shared_ptr<CommandBarControl> Add(int type, std::optional<int> before,
                                                   bool temporary) = 0;
};

class CommandBars {
public:
    virtual ~CommandBars() = default;
    virtual std::shared_ptr<CommandBarControl> FindControlById(int id) = 0;
    virtual std::shared_ptr<CommandBarControl> FindControlByTag(const std::string& tag) = 0;
};

class Template {
public:
    virtual ~Template() = default;
    virtual bool Saved() = 0;
    virtual void SetSaved(bool saved) = 0;
};

class Application {
public:
    virtual ~Application() = default;
    virtual std::string Name() = 0;
    virtual std::string Version() = 0;
    virtual std::string Build() = 0;
    virtual std::shared_ptr<CommandBars> GetCommandBars() = 0;
    virtual std::shared_ptr<Template> NormalTemplate() = 0;  // Word only
};

class AddInInstance {
public:
    virtual ~AddInInstance() = default;
    virtual std::string ProgId() = 0;
};

class RibbonControl {
public:
    virtual ~RibbonControl() = default;
    virtual std::string Id() = 0;
};

class RibbonUI {
public:
    virtual ~RibbonUI() = default;
};

}  // namespace ardeko::host
