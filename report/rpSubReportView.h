#pragma once
// Places another design page inside a band.
#include "report/rpView.h"

class TrpSubReportView : public TrpView {
public:
    TrpSubReportView();
    QString ClassName() const override { return QStringLiteral("TrpSubReportView"); }
    void Assign(const TrpView& from) override;
    void Draw(gfx::TCanvas* canvas) override;
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;

    qint32 SubPage = 0;
};
