// Prints what splitting the costliest records of one read (2048 bytes) takes:
// the record scanner of the agent against the regular expression it
// replaced. A benchmark, not a test: the figures depend on the machine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "parser/record_generator.h"
#include "parser/record_regex.h"
#include "utils/params.h"

namespace {

const std::size_t record_size = 2048;

struct Cost {
  double milliseconds = 0;
  bool gave_up = false;
};

// The median of `runs` timed runs of `split` on `text`.
template <class Split>
Cost measure(Split split, const std::string& text, int count = 7) {
  std::vector<double> runs;
  Cost cost;
  for (int run = 0; run < count; ++run) {
    const auto start = std::chrono::steady_clock::now();
    try {
      split(text);
    } catch (const std::runtime_error&) {
      cost.gave_up = true;
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    runs.push_back(took.count());
  }
  std::sort(runs.begin(), runs.end());
  cost.milliseconds = runs[runs.size() / 2];
  return cost;
}

std::string repeated(const std::string& unit, const std::string& tail = "") {
  std::string text;
  while (text.size() + unit.size() + tail.size() <= record_size) text += unit;
  return text + tail;
}

std::string escaped_para_request() {
  std::string text = "#keycount=5#sessionid=1#requestaction=runcheck#checkid=URL#para=\"";
  while (text.size() + 12 <= record_size) text += "#k=\\\"v\\\"";
  return text + "#\"#";
}

void print(const std::string& name, const std::string& text) {
  const Cost regex = measure(testing_support::split_record_by_regex, text);
  const Cost scanner = measure(utils::split_record, text);
  std::printf("%-34s %5zu %12.3f%s %12.4f\n", name.c_str(), text.size(), regex.milliseconds,
              regex.gave_up ? " (gave up)" : "          ", scanner.milliseconds);
}

}  // namespace

int main() {
  std::printf("%-34s %5s %12s%10s %12s\n", "record", "bytes", "regex ms", "", "scanner ms");
  print("typical runcheck",
        "#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"#Load Limit [%]=80#\"#");
  print("2048 x #", repeated("#"));
  print("#\"\\ repeated", repeated("#\"\\"));
  print("#\"a\"LF repeated", repeated("#\"a\"\n"));
  print("#\" repeated", repeated("#\""));
  print("\"# repeated", repeated("\"#"));
  print("#\"LF repeated", repeated("#\"\n"));
  print("#\\\" repeated", repeated("#\\\""));
  print("#\"\\\" repeated", repeated("#\"\\\""));
  print("# repeated, one quote at the end", repeated("#", "\""));
  print("#\"\" repeated, one quote at the end", repeated("#\"\"", "\""));
  print("runcheck, para of escaped quotes", escaped_para_request());

  // The costliest of many random records of the full size.
  testing_support::RecordGenerator generator(7);
  std::string worst;
  double worst_cost = -1;
  for (int i = 0; i < 300; ++i) {
    std::string text = generator.next(record_size);
    text.resize(record_size, '#');
    const Cost cost = measure(testing_support::split_record_by_regex, text, 1);
    if (cost.milliseconds > worst_cost) {
      worst_cost = cost.milliseconds;
      worst = text;
    }
  }
  print("costliest of 300 random", worst);
  return 0;
}
