#pragma once

#include <QLatin1String>
#include <QString>
#include <QWidget>

#include <utility>

namespace orvex::gui {

// A new widget under its objectName, the name tests and the window's code find it by.
template <class W, class... Args> W* named(const char* name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)...);
    w->setObjectName(QLatin1String(name));
    return w;
}

// Controls of tools that a later build wires stay visible but cannot be used yet.
template <class W> W* notInBuild(W* widget)
{
    widget->setEnabled(false);
    widget->setToolTip(QStringLiteral("This tool is not in this build yet."));
    return widget;
}

} // namespace orvex::gui
