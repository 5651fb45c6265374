#include "DeployFixtures.h"

#include "common/WebHost.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

TDeployRig::TDeployRig(TStore& store)
    : deployment_(Port, store, Ftp, Http, [this](const QString& script) {
          Posted << script;
          QMetaObject::invokeMethod(
              &queue_, [this, script] { deployment_.RunStage2(script); }, Qt::QueuedConnection);
      }) {}

bool TDeployRig::Run(const std::function<void(TDeployment&)>& command, int timeoutMs) {
    QEventLoop loop;
    deployment_.OnFinished = [&](bool) { loop.quit(); };
    command(deployment_);
    bool ended = true;
    if (deployment_.Running()) {
        QTimer::singleShot(timeoutMs, &loop, [&] {
            ended = false;
            loop.quit();
        });
        loop.exec();
    }
    deployment_.OnFinished = nullptr;
    return ended;
}

TBTable DeployProject(const QString& name) {
    TBTable t = TBTable::New();
    t.DbName = name;
    t.TableName = name;
    t.AdminPassword = QStringLiteral("secret");
    const auto add = [&](const QString& label, const QString& column, const QString& type) {
        TBField f;
        f.Name = label;
        f.FieldName = column;
        f.FieldName2 = column + QStringLiteral("2");
        f.FieldType = type;
        f.InputType = type == FieldTypes::YesNo ? InputTypes::Checkbox : InputTypes::Text;
        f.MaxLength = 60;
        f.TextLength = 30;
        f.Visible = true;
        f.Searchable = true;
        f.Editable = true;
        f.SeqNo = static_cast<qint32>(t.Fields.size()) - 1;
        t.Fields.push_back(f);
    };
    add(QStringLiteral("Title"), QStringLiteral("title"), FieldTypes::Text);
    add(QStringLiteral("Count"), QStringLiteral("amount"), FieldTypes::Integer);
    add(QStringLiteral("Done"), QStringLiteral("done"), FieldTypes::YesNo);
    return t;
}

void PlaceOnHost(TBTable& t, const TWebHost& host, const QString& site, const QString& localPath) {
    host.ApplyTo(t, site);
    t.LocalPath = localPath.endsWith(u'/') ? localPath : localPath + u'/';
}

QString Remote(const TWebHost& host, const TBTable& t, const QString& file) {
    return QDir(host.DocumentRoot()).filePath(t.PHPPath + file);
}
