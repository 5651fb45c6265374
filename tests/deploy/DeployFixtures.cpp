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

TBField TransferField(const QString& label, const QString& column, const QString& type) {
    TBField f;
    f.Name = label;
    f.FieldName = column;
    f.FieldName2 = column + QStringLiteral("2");
    f.FieldType = type;
    // The input each type allows; a text box on a Yes/No or date field is refused at upload.
    if (type == FieldTypes::YesNo)
        f.InputType = InputTypes::Checkbox;
    else if (type == FieldTypes::DateTime)
        f.InputType = InputTypes::DateTime;
    else if (type == FieldTypes::Image || type == FieldTypes::ImageLink ||
             type == FieldTypes::Mailto || type == FieldTypes::Hyperlink)
        f.InputType = type;
    else
        f.InputType = InputTypes::Text;
    if (f.InputType == InputTypes::DateTime)
        f.DateTimeFormat = DateTimeFormats().first();
    f.MaxLength = 10;
    f.TextLength = 10;
    f.Visible = true;
    f.Editable = true;
    return f;
}

bool ExportFiles(TStore& store, const TBTable& t, const QString& prefix, TTransferRun& run) {
    TDeployRig rig(store);
    rig.Port.AnswerTo(QStringLiteral("Open data"), prefix + QStringLiteral("records.txt"));
    rig.Port.AnswerTo(QStringLiteral("Open users"), prefix + QStringLiteral("users.txt"));
    rig.Port.AnswerTo(QStringLiteral("Open images"), prefix + QStringLiteral("images.txt"));
    rig.Port.AnswerTo(QStringLiteral("already exist"),
                      run.replace ? QStringLiteral("Replace") : QStringLiteral("Append"));
    if (run.partBytes > 0)
        rig.Deployment().SetExportPartBytes(run.partBytes);
    if (run.during)
        run.during(rig);
    const bool ended = rig.Run([&](TDeployment& d) { d.Export(t, false); });
    run.messages = rig.Port.Messages();
    run.steps = int(rig.Port.ProgressTexts().size());
    return ended && rig.Deployment().Succeeded();
}

bool ImportFiles(TStore& store, const TBTable& t, const QString& prefix) {
    TDeployRig rig(store);
    rig.Port.AnswerTo(QStringLiteral("Save data"), prefix + QStringLiteral("records.txt"));
    rig.Port.AnswerTo(QStringLiteral("Save users"), prefix + QStringLiteral("users.txt"));
    rig.Port.AnswerTo(QStringLiteral("Save images"), prefix + QStringLiteral("images.txt"));
    rig.Run([&](TDeployment& d) { d.Import(t, false); });
    if (!rig.Deployment().Succeeded())
        qWarning("%s", qPrintable(rig.Port.Messages().join(u'\n')));
    return rig.Deployment().Succeeded();
}
