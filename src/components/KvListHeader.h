// The list's column header: a QHeaderView that cuts a caption too long for
// its section at the end ("横ピク…"). Qt's own header draws such a caption
// clipped by its alignment, so right-aligned columns lose their beginnings,
// the very characters that tell "横ピクセル" from "縦ピクセル".
#pragma once

#include <QHeaderView>

class TKvListHeader : public QHeaderView {
    Q_OBJECT

public:
    explicit TKvListHeader(Qt::Orientation orientation, QWidget* parent = nullptr);

    // The caption of the section as it is painted at its present width.
    QString SectionLabel(int logicalIndex) const;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;

private:
    // Width the label may take in a section of sectionWidth pixels.
    int LabelWidth(const QStyleOptionHeader& option, int sectionWidth) const;
};
