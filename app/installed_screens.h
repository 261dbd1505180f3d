// The screens the chart screen presents, installed at launch: each of
// the chart screen's buttons opens the screen registered here for it.
#pragma once

void installChartScreens();
