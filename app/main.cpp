#include "model/ProjectStore.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    TStore store;
    QStringList projects;
    try {
        projects = ProjectStore::List(store);
    } catch (const TStoreError& e) {
        QMessageBox::warning(nullptr, QStringLiteral("Corvanta"), e.message());
        return 1;
    }
    QMessageBox::information(nullptr, QStringLiteral("Corvanta"),
                             QStringLiteral("Stored projects: %1").arg(projects.join(u", ")));
    return 0;
}
