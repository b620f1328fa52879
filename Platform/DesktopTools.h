#pragma once

#include "Service.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

// The desktop's own tools and services, through which the wallpaper setters talk to it.
class DesktopTools {
public:
    virtual ~DesktopTools() = default;

    struct Outcome {
        int error = 0;  // 0, or an errno code: ENOENT for a missing tool, EIO for a refusal
        QString output;
    };
    // Runs a tool to its end.
    virtual Outcome Run(const QString& program, const QStringList& arguments) = 0;
    // Calls a method on the session bus and waits for its answer.
    virtual Outcome Call(const QString& service, const QString& path, const QString& interface,
                         const QString& method, const QVariantList& arguments) = 0;

    static ServiceSlot<DesktopTools>& Slot();
    static DesktopTools& Instance() { return Slot().Get(); }
};
