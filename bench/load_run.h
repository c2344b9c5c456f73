// Many sessions at once against one server: all are set up together, then
// each sends the listing request in a loop for a fixed time, and all leave
// together. One client thread per session; the object itself is used by
// the benchmark's main thread.
#ifndef QUOR2_BENCH_LOAD_RUN_H_
#define QUOR2_BENCH_LOAD_RUN_H_

#include <functional>
#include <string>

namespace bench {

struct LoadTarget {
  int port = 0;
  std::string user;
  std::string password;
  std::string greeting;  // the bytes every session must receive first
  std::string listing;   // and after every request
};

class LoadRun {
 public:
  LoadRun(LoadTarget target, int sessions) : target_(std::move(target)), sessions_(sessions) {}

  // Runs the load for `seconds` once the sessions are set up; calls `tick`
  // on the calling thread about every 50 ms from the first connection until
  // the last session has left.
  void run(double seconds, const std::function<void()>& tick);

  int sessions() const { return sessions_; }
  long requests() const { return requests_; }
  // Sessions that could not be set up, and wrong, missing or late answers.
  long errors() const { return errors_; }
  const std::string& first_error() const { return first_error_; }
  double requests_per_second() const { return seconds_ > 0 ? requests_ / seconds_ : 0; }

 private:
  LoadTarget target_;
  int sessions_;
  long requests_ = 0;
  long errors_ = 0;
  std::string first_error_;
  double seconds_ = 0;
};

}  // namespace bench

#endif  // QUOR2_BENCH_LOAD_RUN_H_
