#pragma once
// Band types, in the order of their names in the string table (55077..55098).
enum TrpBandType {
    btReportTitle, btReportSummary, btPageHeader, btPageFooter, btMasterHeader, btMasterData, btMasterFooter,
    btDetailHeader, btDetailData, btDetailFooter, btSubDetailHeader, btSubDetailData, btSubDetailFooter,
    btOverlay, btColumnHeader, btColumnFooter, btGroupHeader, btGroupFooter, btCrossHeader, btCrossData,
    btCrossFooter, btNone
};
constexpr int rpBandTypeCount = 22;

// Band option bits of a band view's Flags.
enum : unsigned short {
    bfStretched = 1, bfStartNewPage = 2, bfPrintIfDetailEmpty = 4, bfAllowSplit = 8, bfPrintOnFirstPage = 16,
    bfPrintOnLastPage = 32, bfReprintOnNewPage = 64
};
