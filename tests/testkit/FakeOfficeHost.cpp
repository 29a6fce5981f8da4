#include "testkit/FakeOfficeHost.h"

#include <algorithm>
#include <cctype>

namespace ardeko::testkit {

void FailureSwitch::Check(const std::string& member) const {
    if (failing.count(member)) throw host::HostError(member + " failed");
}

// --- FakeCommandBarControl ---

bool FakeCommandBarControl::UserClick(bool cancelDefault) {
    if (clickHandler_) clickHandler_(*this, cancelDefault);
    return cancelDefault;
}

std::string FakeCommandBarControl::Tag() {
    Check("Tag");
    if (deleted) throw host::HostError("control was deleted");
    return tag;
}

void FakeCommandBarControl::Delete() {
    Check("Delete");
    if (deleted) throw host::HostError("control was deleted");
    deleted = true;
    clickHandler_ = nullptr;
    if (auto owner = owner_.lock()) {
        owner->Remove(*this);
        if (*owner->customized) (*owner->customized)();
    }
}

std::shared_ptr<host::CommandBarControls> FakeCommandBarControl::Controls() {
    Check("Controls");
    if (!children) throw host::HostError("not a popup");
    return children;
}

#define ARDEKO_FAKE_SET(Member, field, Type)                     \
    void FakeCommandBarControl::Set##Member(Type value) {         \
        Check(#Member);                                          \
        if (deleted) throw host::HostError("control was deleted"); \
        field = value;                                           \
        sets.push_back(#Member);                                 \
    }
ARDEKO_FAKE_SET(Style, style, int)
ARDEKO_FAKE_SET(Caption, caption, const std::string&)
ARDEKO_FAKE_SET(FaceId, faceId, int)
ARDEKO_FAKE_SET(Tag, tag, const std::string&)
ARDEKO_FAKE_SET(OnAction, onAction, const std::string&)
ARDEKO_FAKE_SET(BeginGroup, beginGroup, bool)
ARDEKO_FAKE_SET(Priority, priority, int)
ARDEKO_FAKE_SET(Picture, picture, const std::string&)
#undef ARDEKO_FAKE_SET

void FakeCommandBarControl::ConnectClick(ClickHandler handler) {
    Check("Click");
    clickHandler_ = std::move(handler);
}

// --- FakeCommandBarControls ---

std::shared_ptr<FakeCommandBarControl> FakeCommandBarControls::Append(int type, int id, const std::string& caption,
                                                                      const std::string& tag) {
    auto c = std::make_shared<FakeCommandBarControl>();
    c->type = type;
    c->id = id;
    c->caption = caption;
    c->tag = tag;
    c->owner_ = weak_from_this();
    if (type == 10) {
        c->children = std::make_shared<FakeCommandBarControls>();
        c->children->customized = customized;
    }
    items.push_back(c);
    return c;
}

void FakeCommandBarControls::Remove(const FakeCommandBarControl& control) {
    items.erase(std::remove_if(items.begin(), items.end(),
                               [&](const auto& c) { return c.get() == &control; }),
                items.end());
}

std::vector<std::shared_ptr<FakeCommandBarControl>> FakeCommandBarControls::WithTag(const std::string& tag) const {
    std::vector<std::shared_ptr<FakeCommandBarControl>> out;
    for (const auto& c : items)
        if (c->tag == tag) out.push_back(c);
    return out;
}

int FakeCommandBarControls::Count() {
    Check("Count");
    return static_cast<int>(items.size());
}

std::shared_ptr<host::CommandBarControl> FakeCommandBarControls::Item(int index) {
    Check("Item");
    if (index < 1 || index > static_cast<int>(items.size())) throw host::HostError("index out of range");
    return items[static_cast<std::size_t>(index - 1)];
}

std::shared_ptr<host::CommandBarControl> FakeCommandBarControls::Add(int type, std::optional<int> before,
                                                                     bool temporary) {
    addCalls.push_back({type, before, temporary});
    Check("Add");
    const int count = static_cast<int>(items.size());
    if (before && (*before < 1 || *before > count + 1)) throw host::HostError("invalid position");
    auto c = Append(type, 1, {});
    c->failing = newControlsFail;
    c->temporary = temporary;
    if (before) {
        items.pop_back();
        items.insert(items.begin() + (*before - 1), c);
    }
    if (*customized) (*customized)();
    return c;
}

// --- FakeCommandBars ---

namespace {
template <class Pred>
std::shared_ptr<FakeCommandBarControl> findDepthFirst(const FakeCommandBarControls& controls, const Pred& pred) {
    for (const auto& c : controls.items) {
        if (pred(*c)) return c;
        if (c->children)
            if (auto found = findDepthFirst(*c->children, pred)) return found;
    }
    return nullptr;
}
}  // namespace

std::shared_ptr<host::CommandBarControl> FakeCommandBars::FindControlById(int id) {
    Check("FindControl");
    return findDepthFirst(*menuBar, [id](const FakeCommandBarControl& c) { return c.id == id; });
}

std::shared_ptr<host::CommandBarControl> FakeCommandBars::FindControlByTag(const std::string& tag) {
    Check("FindControl");
    return findDepthFirst(*menuBar, [&tag](const FakeCommandBarControl& c) { return c.tag == tag; });
}

std::shared_ptr<FakeCommandBarControl> FakeCommandBars::FileMenu() const {
    return findDepthFirst(*menuBar, [](const FakeCommandBarControl& c) { return c.id == kFileMenuId; });
}

// --- FakeTemplate ---

bool FakeTemplate::Saved() {
    Check("Saved");
    return saved;
}

void FakeTemplate::SetSaved(bool value) {
    Check("SetSaved");
    saved = value;
    ++savedWrites;
}

// --- FakeOfficeHost ---

FakeOfficeHost::FakeOfficeHost(std::string hostName, std::string hostVersion)
    : name(std::move(hostName)), version(std::move(hostVersion)) {
    auto file = commandBars->menuBar->Append(10, kFileMenuId, "&Datei");
    file->children->Append(1, 18, "&Neu...");
    file->children->Append(1, 23, "Ö&ffnen...");
    file->children->Append(1, 106, "S&chließen");
    file->children->Append(1, 3, "&Speichern");
    file->children->Append(1, 748, "Speichern &unter...");
    file->children->Append(1, 4, "&Drucken...");
    file->children->Append(1, 752, "&Beenden");
    auto edit = commandBars->menuBar->Append(10, kEditMenuId, "&Bearbeiten");
    edit->children->Append(1, 128, "&Rückgängig");
    edit->children->Append(1, 21, "&Ausschneiden");
    edit->children->Append(1, 19, "&Kopieren");
    edit->children->Append(1, 22, "&Einfügen");
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.find("word") != std::string::npos) {
        // Word keeps command-bar changes in its normal template, which then counts as changed.
        normalTemplate = std::make_shared<FakeTemplate>();
        *commandBars->menuBar->customized = [t = normalTemplate] { t->saved = false; };
    }
}

std::vector<std::shared_ptr<FakeCommandBarControl>>& FakeOfficeHost::FileMenuItems() const {
    auto file = FileMenu();
    if (!file || !file->children) throw host::HostError("no File menu");
    return file->children->items;
}

std::string FakeOfficeHost::Name() {
    Check("Name");
    return name;
}

std::string FakeOfficeHost::Version() {
    Check("Version");
    return version;
}

std::string FakeOfficeHost::Build() {
    Check("Build");
    return build;
}

std::shared_ptr<host::CommandBars> FakeOfficeHost::GetCommandBars() {
    Check("CommandBars");
    if (!commandBars) throw host::HostError("CommandBars not available");
    return commandBars;
}

std::shared_ptr<host::Template> FakeOfficeHost::NormalTemplate() {
    Check("NormalTemplate");
    if (!normalTemplate) throw host::HostError("NormalTemplate not available");
    return normalTemplate;
}

std::string FakeAddInInstance::ProgId() {
    Check("ProgId");
    return progId;
}

std::string FakeRibbonControl::Id() {
    Check("Id");
    return id;
}

}  // namespace ardeko::testkit
