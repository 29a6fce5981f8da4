#pragma once
// What every renderer does while one form is up modally: the form's window is the innermost of
// the renderer's stack, and the form's Unloaded notification ends the renderer's loop. Both are
// put back when the loop is left, however it is left, so an outer form shown again is found and
// notified as before.
#include <functional>
#include <utility>
#include <vector>

#include "ui/Form.h"

namespace ardeko::ui {

template <class Window>
class ModalScope {
public:
    ModalScope(std::vector<Window*>& stack, Window& window, Form& form, std::function<void()> onUnloaded)
        : stack_(stack), form_(form), saved_(std::exchange(form.Unloaded, std::move(onUnloaded))) {
        stack_.push_back(&window);
    }
    ~ModalScope() {
        stack_.pop_back();
        form_.Unloaded = std::move(saved_);
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    std::vector<Window*>& stack_;
    Form& form_;
    std::function<void()> saved_;
};

}  // namespace ardeko::ui
