#pragma once
// The named parameters of a query, made from its SQL text (each ':name' outside quoted texts, once).
// A parameter that was never given a value makes the statement fail.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

class TParameter {
public:
    explicit TParameter(const QString& name) : name_(name) {}
    QString Name() const { return name_; }
    QVariant Value() const { return value_; }
    void SetValue(const QVariant& value) { value_ = value; set_ = true; }
    bool IsSet() const { return set_; }
    void Clear() { value_ = QVariant(); set_ = false; }

private:
    QString name_;
    QVariant value_;
    bool set_ = false;
};

class TParameters {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TParameter* Items(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
    TParameter* FindParam(const QString& name) const;  // case-insensitive; null when absent
    TParameter* ParamByName(const QString& name) const;  // raises "Parameter 'X' not found"
    // Rebuilds the list from the names (values are dropped).
    void Reset(const QStringList& names);

private:
    std::vector<std::unique_ptr<TParameter>> items_;
};
