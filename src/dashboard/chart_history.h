#pragma once

#include <array>

// The last samples of the dashboard's four trend charts, newest at
// position kPointCount, with the extremes of the samples before the newest.
// Positions never written count as 0, so a history not yet full has 0 among
// its extremes. The arrays are fixed and shifted in place: nothing is
// allocated per sample.
class ChartHistory
{
public:
    enum Chart { Ch1, Ch2, Total, Voltage, ChartCount };
    // Intervals across a chart; a chart draws one point more.
    static constexpr int kPointCount = 300;
    static constexpr int kPositions = kPointCount + 2;

    using Values = std::array<double, ChartCount>;

    // Shifts every chart one position left, recomputes the extremes over
    // positions 0 to kPointCount - 1 and stores `latest` at kPointCount.
    void shiftAndAppend(const Values &latest);

    double value(Chart chart, int position) const { return m_values[chart][position]; }
    double minimum(Chart chart) const { return m_min[chart]; }
    double maximum(Chart chart) const { return m_max[chart]; }

    // The picture of a chart is drawn before the newest sample is appended,
    // so it shows positions 0 to kPointCount as they stood then: the sample
    // shifted out since, and the history up to the previous sample.
    double pictureValue(Chart chart, int point) const
    {
        return point == 0 ? m_shiftedOut[chart] : m_values[chart][point - 1];
    }
    // The vertical range (0 to this) the picture was drawn with.
    double pictureScale(Chart chart) const { return m_pictureScale[chart]; }
    void setPictureScale(Chart chart, double scale) { m_pictureScale[chart] = scale; }

    void clear();

private:
    std::array<std::array<double, kPositions>, ChartCount> m_values{};
    Values m_shiftedOut{};
    Values m_min{};
    Values m_max{};
    Values m_pictureScale{};
};
