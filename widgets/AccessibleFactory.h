// Gives every widget of one class its own accessibility interface, the way
// screen readers learn what Qt's default interface for it cannot tell.
#pragma once

#include <QAccessible>
#include <QObject>
#include <QString>

template <typename Widget, typename Interface>
QAccessibleInterface* accessibleInterfaceFor(const QString& className, QObject* object) {
    if (object && object->isWidgetType() && className == QLatin1String(Widget::staticMetaObject.className()))
        return new Interface(static_cast<Widget*>(object));
    return nullptr;
}

// Installs the factory once, however many widgets of the class are made.
template <typename Widget, typename Interface>
void installAccessibleFactory() {
    static const bool installed = (QAccessible::installFactory(&accessibleInterfaceFor<Widget, Interface>), true);
    (void)installed;
}
