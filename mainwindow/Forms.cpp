#include "Forms.h"

#include "ArchiveSession.h"
#include "Assoc.h"
#include "DosZip2.h"
#include "Unzip.h"
#include "VFzip.h"
#include "Zip2.h"

#include <QCoreApplication>
#include <QPointer>

namespace Forms {

namespace {

QPointer<::Unzip> &unzipInstance() {
    static QPointer<::Unzip> instance;
    return instance;
}

QPointer<::Assoc> &assocInstance() {
    static QPointer<::Assoc> instance;
    return instance;
}

QPointer<::DosZip2> &dosZip2Instance() {
    static QPointer<::DosZip2> instance;
    return instance;
}

QPointer<::Zip2> &zip2Instance() {
    static QPointer<::Zip2> instance;
    return instance;
}

template <typename Window> void unload(QPointer<Window> &slot) {
    delete slot.data();
    slot = nullptr;
}

// A window of the registry: created hidden on first touch, its loading code run then, and
// destroyed when it closes.
template <typename Window> Window &loaded(QPointer<Window> &slot) {
    if (!slot) {
        slot = new Window();
        slot->setAttribute(Qt::WA_DeleteOnClose);
        slot->Form_Load();
    }
    return *slot;
}

} // namespace

Startup &startup() {
    static Startup s{QString(), QString(), [] { QCoreApplication::exit(0); }};
    return s;
}

::Unzip &Unzip() {
    return loaded(unzipInstance());
}

::Assoc &Assoc() {
    return loaded(assocInstance());
}

ArchiveSession &Archive() {
    return Unzip().session();
}

bool UnzipLoaded() {
    return !unzipInstance().isNull();
}

::DosZip2 &DosZip2() {
    return loaded(dosZip2Instance());
}

::Zip2 &Zip2() {
    const bool made = !zip2Instance().isNull();
    ::Zip2 &dialog = loaded(zip2Instance());
    if (!made)
        QObject::connect(&dialog, &::Zip2::archiveWritten, [] {
            if (UnzipLoaded()) Archive().archiveWritten();
        });
    return dialog;
}

zipcomponent::VFzip &VFzip1() {
    return Unzip().VFzip1;
}

void UnloadAll() {
    unload(dosZip2Instance());
    unload(zip2Instance());
    unload(assocInstance());
    unload(unzipInstance());
}

} // namespace Forms
