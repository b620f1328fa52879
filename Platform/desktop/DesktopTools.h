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
        // Why it failed, in the tool's own words where it gave any: what the user reads.
        QString message;
    };
    // Runs a tool to its end; output is what it printed on standard output.
    virtual Outcome Run(const QString& program, const QStringList& arguments) = 0;
    // Calls a method on the session bus and waits for its answer; output is the answer's first
    // value as text (for a property read with org.freedesktop.DBus.Properties.Get, its value).
    virtual Outcome Call(const QString& service, const QString& path, const QString& interface,
                         const QString& method, const QVariantList& arguments) = 0;
    // Starts a program that shows the wallpaper for as long as it runs (swaybg), and ends the
    // earlier ones of the same program showing a file of the same folder once the new one runs:
    // those were started by us, in this run or an earlier one. A program that ends at once
    // failed.
    virtual Outcome Keep(const QString& program, const QStringList& arguments,
                         const QString& folder) = 0;

    static ServiceSlot<DesktopTools>& Slot();
    static DesktopTools& Instance() { return Slot().Get(); }
};
