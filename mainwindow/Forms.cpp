#include "Forms.h"

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
} // namespace

Startup &startup() {
    static Startup s{QString(), QString(), [] { QCoreApplication::exit(0); }};
    return s;
}

::Unzip &Unzip() {
    if (!unzipInstance()) {
        unzipInstance() = new ::Unzip();
        unzipInstance()->setAttribute(Qt::WA_DeleteOnClose);
        unzipInstance()->Form_Load();
    }
    return *unzipInstance();
}

bool UnzipLoaded() {
    return !unzipInstance().isNull();
}

zipcomponent::VFzip &VFzip1() {
    static zipcomponent::VFzip writer;
    return writer;
}

void UnloadAll() {
    delete unzipInstance().data();
    unzipInstance() = nullptr;
}

} // namespace Forms
