#pragma once
// Texts of the form model as Qt shows them.
#include <QString>
#include <string>

#include "ui/Form.h"

namespace ardeko::ui {

// CR LF and lone CR as line breaks; with `stripAccessKeys` the "&" marks resolved for widgets
// that would show them literally (labels). Qt's own buttons read "&" and "&&" as we do.
inline QString ShownText(const std::string& text, bool stripAccessKeys) {
    QString s = QString::fromStdString(stripAccessKeys ? DisplayText(text) : text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

}  // namespace ardeko::ui
