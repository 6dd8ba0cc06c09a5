#pragma once
// The report-style list both side panes are: whole rows selected one at a time, no
// tree decoration, nothing editable.

class QTreeWidget;

namespace vostrelle {

void SetUpReportList(QTreeWidget* list);

}  // namespace vostrelle
