#pragma once
// A stand-in Office host: an Application whose menu bar holds a File menu, Word's normal
// template, an add-in instance and ribbon controls. It answers only the object model of
// platform/OfficeHost.h and knows nothing of the tests, so the same objects can be handed out
// in-process or through any other binding.
//
// Every member fails while its name is in the object's `failing` set: it then throws
// host::HostError, as a late-bound call into a broken host would.
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/OfficeHost.h"

namespace ardeko::testkit {

inline constexpr int kFileMenuId = 30002;

struct Failing {
    std::set<std::string> failing;
    // Throws when `member` is switched to fail or the object cannot serve it (`broken`).
    void Check(const std::string& m, bool broken = false) const { if (broken || failing.count(m)) throw host::HostError(m + " failed"); }
};

// A command-bar control. A popup (type 10) is also the collection of its controls, and the menu
// bar is a popup that serves as the command bars, searched depth-first in menu order.
struct FakeControl : host::CommandBarControl, host::CommandBarControls, host::CommandBars, Failing,
                     std::enable_shared_from_this<FakeControl> {
    int type = 10, id = 1;
    bool temporary = false, deleted = false;
    std::map<std::string, std::string> props;         // as written, as text: "FaceId" -> "1022"
    std::vector<std::shared_ptr<FakeControl>> items;  // a popup's controls in menu order
    std::set<std::string> newControlsFail;            // the switches every control Add makes starts with
    // Run when a control comes or goes anywhere in the host's command bars.
    std::shared_ptr<std::function<void()>> changed = std::make_shared<std::function<void()>>();
    std::weak_ptr<FakeControl> owner;
    ClickHandler click;  // a user's click calls it with this button

    // Set-up of the stand-in; never fails.
    std::shared_ptr<FakeControl> Append(int childType, int childId, const std::string& tag = {}) {
        auto c = items.emplace_back(std::make_shared<FakeControl>());
        c->type = childType, c->id = childId, c->owner = weak_from_this(), c->changed = changed;
        if (!tag.empty()) c->props["Tag"] = tag;
        return c;
    }
    std::string TagText() const { return props.count("Tag") ? props.at("Tag") : ""; }
    // The first control below this one that `pred` accepts, depth-first in menu order.
    std::shared_ptr<FakeControl> Find(const std::function<bool(FakeControl&)>& pred) {
        for (const auto& c : items)
            if (auto found = pred(*c) ? c : c->Find(pred)) return found;
        return nullptr;
    }

    std::string Tag() override { Check("Tag", deleted); return TagText(); }
    void SetStyle(int v) override { Set("Style", std::to_string(v)); }
    void SetCaption(const std::string& v) override { Set("Caption", v); }
    void SetFaceId(int v) override { Set("FaceId", std::to_string(v)); }
    void SetTag(const std::string& v) override { Set("Tag", v); }
    void SetOnAction(const std::string& v) override { Set("OnAction", v); }
    void SetBeginGroup(bool v) override { Set("BeginGroup", v ? "1" : "0"); }
    void SetPriority(int v) override { Set("Priority", std::to_string(v)); }
    void SetPicture(const std::string& v) override { Set("Picture", v); }
    void Set(const std::string& member, const std::string& v) { Check(member, deleted); props[member] = v; }
    void ConnectClick(ClickHandler h) override { Check("Click", deleted); click = std::move(h); }
    void Delete() override {
        Check("Delete", deleted);
        deleted = true, click = nullptr;
        if (*changed) (*changed)();
        if (auto o = owner.lock()) std::erase_if(o->items, [this](const auto& c) { return c.get() == this; });
    }
    std::shared_ptr<host::CommandBarControls> Controls() override { Check("Controls", type != 10); return shared_from_this(); }
    int Count() override { Check("Count"); return static_cast<int>(items.size()); }
    std::shared_ptr<host::CommandBarControl> Item(int i) override { Check("Item", i < 1 || i > int(items.size())); return items[i - 1]; }
    std::shared_ptr<host::CommandBarControl> Add(int addType, std::optional<int> before, bool temp) override {
        Check("Add", before && (*before < 1 || *before > static_cast<int>(items.size()) + 1));
        auto c = Append(addType, 1);
        c->failing = newControlsFail, c->temporary = temp;
        if (before) std::rotate(items.begin() + (*before - 1), items.end() - 1, items.end());
        if (*changed) (*changed)();
        return c;
    }
    std::shared_ptr<host::CommandBarControl> FindControlById(int i) override { return Found([i](auto& c) { return c.id == i; }); }
    std::shared_ptr<host::CommandBarControl> FindControlByTag(const std::string& t) override { return Found([&t](auto& c) { return c.TagText() == t; }); }
    std::shared_ptr<FakeControl> Found(const std::function<bool(FakeControl&)>& pred) { Check("FindControl"); return Find(pred); }
};

struct FakeTemplate : host::Template, Failing {
    bool saved = true;
    int writes = 0;
    bool Saved() override { Check("Saved"); return saved; }
    void SetSaved(bool v) override { Check("SetSaved"); saved = v, ++writes; }
};

// A host named `name` ("Microsoft Word" ...) of version `version` ("11.0" ...) whose File menu
// holds five built-in entries. Word also has a normal template, which counts as changed
// whenever a command-bar control comes or goes.
struct FakeOfficeHost : host::Application, Failing {
    FakeOfficeHost(std::string hostName, std::string hostVersion) : name(hostName), version(hostVersion) {
        for (auto file = commandBars->Append(10, kFileMenuId); int entry : {18, 23, 106, 3, 4}) file->Append(1, entry);
        if (name.find("Word") != std::string::npos) normalTemplate = std::make_shared<FakeTemplate>();
        *commandBars->changed = [t = normalTemplate] { if (t) t->saved = false; };
    }
    std::string name, version, build = "4266";
    std::shared_ptr<FakeControl> commandBars = std::make_shared<FakeControl>();
    std::shared_ptr<FakeTemplate> normalTemplate;

    FakeControl& FileMenu() const { return *commandBars->Find([](auto& c) { return c.id == kFileMenuId; }); }
    std::string Name() override { Check("Name"); return name; }
    std::string Version() override { Check("Version"); return version; }
    std::string Build() override { Check("Build"); return build; }
    std::shared_ptr<host::CommandBars> GetCommandBars() override { Check("CommandBars"); return commandBars; }
    std::shared_ptr<host::Template> NormalTemplate() override { Check("NormalTemplate", !normalTemplate); return normalTemplate; }
};

struct FakeAddInInstance : host::AddInInstance, Failing {
    explicit FakeAddInInstance(std::string id) : progId(std::move(id)) {}
    std::string progId;
    std::string ProgId() override { Check("ProgId"); return progId; }
};

struct FakeRibbonControl : host::RibbonControl, Failing {
    explicit FakeRibbonControl(std::string controlId) : id(std::move(controlId)) {}
    std::string id;
    std::string Id() override { Check("Id"); return id; }
};

}  // namespace ardeko::testkit
