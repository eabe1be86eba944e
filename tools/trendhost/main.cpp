// trendhost: the trend window on a recorded sample set.
//   trendhost FILE.VDB [--roll] [--tpd SECONDS] [--shot IMAGE.png]
//   trendhost --make-sample FILE.VDB      writes 200 samples of a sine and a cosine
// A ".VDB" file holds the channel count (u16) and records of the time and one
// value per channel. Each channel is shown through a stand-in gate whose
// output carries the recorded value.
#include "display/gdi.h"
#include "modelfiles/bytes.h"
#include "recorder/recfiles.h"
#include "recorder/trend.h"
#include "recorder/trendwindow.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int usage() {
  std::fprintf(stderr, "usage: trendhost FILE.VDB [--roll] [--tpd SECONDS] [--shot IMAGE.png]\n"
                       "       trendhost --make-sample FILE.VDB\n");
  return 2;
}

bool makeSample(const std::string& path) {
  modelfiles::ByteWriter w;
  w.u16(2);
  for (int i = 0; i < 200; ++i) {
    const double t = 0.1 * i;
    w.f64(t);
    w.f64(std::sin(t));
    w.f64(0.5 * std::cos(0.5 * t) + 1.0);
  }
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(w.bytes.data()), std::streamsize(w.bytes.size()));
  return bool(f);
}

struct SampleSet {
  unsigned channels = 0;
  std::vector<double> times;
  std::vector<std::vector<double>> rows;
};

bool readSampleSet(const std::string& path, SampleSet& s, std::string& error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    error = "cannot open " + path;
    return false;
  }
  std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  modelfiles::ByteReader r(b);
  s.channels = r.u16();
  if (r.failed() || s.channels < 1 || s.channels > unsigned(rec::kMaxChannels)) {
    error = "not a data file of 1 to 36 channels";
    return false;
  }
  while (r.left() >= 8u * (s.channels + 1)) {
    s.times.push_back(r.f64());
    std::vector<double> row(s.channels);
    for (double& v : row) v = r.f64();
    s.rows.push_back(std::move(row));
  }
  return true;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  std::string file, shot;
  bool roll = false;
  double tpd = 1.0;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--make-sample" && i + 1 < argc) return makeSample(argv[i + 1]) ? 0 : 1;
    if (a == "--roll") roll = true;
    else if (a == "--tpd" && i + 1 < argc) tpd = std::atof(argv[++i]);
    else if (a == "--shot" && i + 1 < argc) shot = argv[++i];
    else if (!a.empty() && a[0] != '-') file = a;
    else return usage();
  }
  SampleSet set;
  std::string error;
  if (file.empty() || !readSampleSet(file, set, error) || !(tpd > 0)) {
    std::fprintf(stderr, "trendhost: %s\n", error.empty() ? "bad arguments" : error.c_str());
    return 1;
  }
  QApplication app(argc, argv);
  // Stand-in gates: one REAL output each, whose value the channel reads.
  std::vector<model::GateRecord> gates(set.channels);
  std::vector<model::OutputPin> pins(set.channels);
  std::vector<model::GateInstance> insts(set.channels);
  std::vector<double> values(set.channels, 0.0);
  model::LogicRecord logic{};
  rec::Recorder r;
  rec::tr_SetChannelCount(r, 1, int(set.channels));
  r.recRoll = roll ? 1 : 0;
  r.recTimePerDivision = tpd;
  r.recAxes[1].offset = -1.5;
  for (unsigned c = 0; c < set.channels; ++c) {
    pins[c] = model::OutputPin{1, model::kTypeReal, 0};
    gates[c].Kind = 2;
    gates[c].OutputCount = 1;
    gates[c].Outputs = &pins[c];
    insts[c].OutputValues = &values[c];
    insts[c].OutputSlotCount = 1;
    rec::tr_BindChannelTo(r, *r.channel(int(c) + 1), &logic, &gates[c], &insts[c], 1, 1);
  }
  std::vector<const double*> rowPtrs;
  for (const auto& row : set.rows) rowPtrs.push_back(row.data());
  if (!shot.empty()) {
    const QImage img = rec::renderTrend(r, 800, 450, [&] {
      for (std::size_t i = 0; i < rowPtrs.size(); ++i) {
        rec::tr_DrawSample(r, true, set.times[i], rowPtrs[i]);
        for (unsigned c = 0; c < set.channels; ++c) r.channels[c]->lastValue = rowPtrs[i][c];
        r.recLastDrawnTime = set.times[i];
      }
    });
    return img.save(QString::fromStdString(shot)) ? 0 : 1;
  }
  QMainWindow main;
  auto* window = new rec::TrendWindow(r);
  main.setCentralWidget(window);
  main.setWindowTitle(QString::fromStdString("Trend - " + file));
  window->onStatus = [&](const std::string& s) { main.statusBar()->showMessage(QString::fromStdString(s)); };
  main.resize(800, 480);
  main.show();
  window->fullRedraw();
  window->drawSamples(set.times.data(), rowPtrs.data(), int(rowPtrs.size()));
  return app.exec();
}
