// The graph window's view state as Qt Test prints it when a comparison fails.
#pragma once

#include "core/graph/graph_view.h"

#include <QString>
#include <QTest>

namespace core {

inline char* toString(const GraphView& v) {
    const QString text =
        QStringLiteral("NumPoint=%1 LeftMargin=%2 BottomMargin=%3 wQx=%4 wQy=%5 bVeiwTP=%6 "
                       "Unit=%7 NScaleDB=%8 NScalePER=%9 NScaleV=%10 cBack=%11 cMargin=%12 "
                       "cGrid=%13 cFont=%14 cGrap=%15")
            .arg(v.NumPoint)
            .arg(v.LeftMargin)
            .arg(v.BottomMargin)
            .arg(v.wQx)
            .arg(v.wQy)
            .arg(v.bVeiwTP)
            .arg(v.Unit)
            .arg(v.NScaleDB)
            .arg(v.NScalePER)
            .arg(v.NScaleV)
            .arg(v.cBack, 6, 16, QLatin1Char('0'))
            .arg(v.cMargin, 6, 16, QLatin1Char('0'))
            .arg(v.cGrid, 6, 16, QLatin1Char('0'))
            .arg(v.cFont, 6, 16, QLatin1Char('0'))
            .arg(v.cGrap, 6, 16, QLatin1Char('0'));
    return QTest::toString(text);
}

} // namespace core
