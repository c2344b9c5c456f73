// A series of measured durations (milliseconds) with its order statistics.
// Used by one thread.
#ifndef QUOR2_BENCH_SAMPLES_H_
#define QUOR2_BENCH_SAMPLES_H_

#include <cstddef>
#include <vector>

namespace bench {

class Samples {
 public:
  void add(double value) { values_.push_back(value); }
  void append(const Samples& other);
  std::size_t size() const { return values_.size(); }
  double sum() const;

  // The value below which `percent` of the samples lie (nearest rank); 0
  // without samples.
  double percentile(double percent) const;
  double median() const { return percentile(50); }

 private:
  std::vector<double> values_;
};

}  // namespace bench

#endif  // QUOR2_BENCH_SAMPLES_H_
