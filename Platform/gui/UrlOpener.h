#pragma once

#include "Service.h"

#include <QUrl>

// Opens files and web pages in the user's preferred programs.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // False when no program could be started for the address.
    virtual bool Open(const QUrl& url) = 0;

    static ServiceSlot<UrlOpener>& Slot();
    static UrlOpener& Instance() { return Slot().Get(); }
};
