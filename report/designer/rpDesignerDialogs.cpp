#include "report/designer/rpDesignerDialogs.h"

#include "report/rpStrings.h"

#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>

QHBoxLayout* rpOkCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel, const char* okName,
                           const char* cancelName)
{
    ok = new QPushButton(rpLoadStr(55000), dialog);
    ok->setObjectName(QString::fromLatin1(okName));
    ok->setDefault(true);
    cancel = new QPushButton(rpLoadStr(55001), dialog);
    cancel->setObjectName(QString::fromLatin1(cancelName));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

QStringList TrpFileDialog::Descriptions() const
{
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList descriptions;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        descriptions.append(parts[i]);
    return descriptions;
}

bool TrpFileDialog::Execute(QWidget* parent)
{
    ctl::TFileQuestion question;
    question.Save = Save;
    question.Filters = Descriptions();
    question.FileName = FileName;
    question.FilterIndex = FilterIndex;
    if (!ctl::AskFile(question, parent))
        return false;
    FileName = question.FileName;
    FilterIndex = question.FilterIndex;
    return true;
}

QString rpChangeFileExt(const QString& fileName, const QString& ext)
{
    const QFileInfo info(fileName);
    const QString name = info.fileName();
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString folder = fileName.left(fileName.size() - name.size());
    return folder + base + ext;
}
