#pragma once
// lumiq commission against factory-fresh simulated modules (StationBench.cpp).

namespace lumiq::bench {

void MeasureStation(int runs);

} // namespace lumiq::bench
