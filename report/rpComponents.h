#pragma once
// Forms and data modules as the engine finds things on them: an owner is a named list of named
// components (database data sets and report data sets). Owners that stand for the application's
// forms and data modules are global: "Form.Component" names reach them from anywhere.
#include <QList>
#include <QString>

class TDataSet;
class TrpDataset;

struct TrpComponent {
    QString Name;
    TDataSet* DataSet = nullptr;
    TrpDataset* RpDataSet = nullptr;
};

class TrpOwner {
public:
    enum Kind { Form, DataModule };
    explicit TrpOwner(const QString& name, Kind kind = Form, bool global = true);
    ~TrpOwner();
    TrpOwner(const TrpOwner&) = delete;
    TrpOwner& operator=(const TrpOwner&) = delete;

    QString Name() const { return name_; }
    void Add(const QString& name, TDataSet* dataSet);
    void Add(const QString& name, TrpDataset* dataSet);
    void Remove(const QString& name);
    // Case-insensitive; null when there is none.
    const TrpComponent* Find(const QString& name) const;
    const QList<TrpComponent>& Components() const { return components_; }

    // Global owners: forms first, then data modules, each in creation order.
    static QList<TrpOwner*> Globals();

private:
    QString name_;
    Kind kind_;
    bool global_;
    QList<TrpComponent> components_;
};

// "Form.Component" finds Component on the global owner Form; a plain name is looked up on owner.
const TrpComponent* rpFindComponent(const TrpOwner* owner, const QString& name);
