#include "Forms.h"

#include "Assoc.h"
#include "Unzip.h"
#include "VFzip.h"

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

zipcomponent::VFzip &VFzip1() {
    static zipcomponent::VFzip writer;
    return writer;
}

void UnloadAll() {
    delete assocInstance().data();
    assocInstance() = nullptr;
    delete unzipInstance().data();
    unzipInstance() = nullptr;
}

} // namespace Forms
