#include "Report.h"

#include <QSaveFile>

QString TReport::PlainText() const {
    QString text;
    for (const TReportLine& line : Lines)
        text += line.Text + QStringLiteral("\r\n");
    return text;
}

bool TReport::SaveTo(const QString& path) const {
    // A report may name accounts and addresses of the site: its owner's only.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    file.write(PlainText().toUtf8());
    return file.commit();
}
