#include "Report.h"

#include <QFile>
#include <QSaveFile>

QString TReport::PlainText() const {
    QString text;
    for (const TReportLine& line : Lines)
        text += line.Text + QStringLiteral("\r\n");
    return text;
}

bool TReport::SaveTo(const QString& path) const {
    // A report may name accounts and addresses of the site: its owner's only.
    const QFileDevice::Permissions owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QByteArray bytes = PlainText().toUtf8();
    // The same report as last time is left as it is: a safe rewrite waits
    // for the disk, often longer than generating the whole site.
    QFile old(path);
    if (old.size() == bytes.size() && old.open(QIODevice::ReadOnly) && old.readAll() == bytes) {
        old.close();
        return old.setPermissions(owner);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(owner))
        return false;
    file.write(bytes);
    return file.commit();
}
