#pragma once

#include <QString>

#include <array>

// What a round gauge shows: scale ends, needle, the text inside and three
// coloured zones. The dashboard's logic sets these; the gauge widget paints
// them as they stand, whatever order the zone ends come in.
struct GaugeState
{
    struct Band
    {
        double start = 0;
        double end = 0;
    };

    double GaugeMin = 0;
    double GaugeMax = 100;
    double GaugeValue = 0;
    QString GaugeText;
    std::array<Band, 3> bands{};

    void setBands(Band band1, Band band2, Band band3) { bands = {band1, band2, band3}; }
};
