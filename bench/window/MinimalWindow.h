#pragma once

// The baseline's one picture: the welcome screen's 800 x 600 CMYK JPEG.
#define VELMAR_BENCH_PICTURE 1
