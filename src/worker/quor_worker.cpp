#include "worker/quor_worker.h"

#include <unistd.h>

#include "logger/logger.h"
#include "utils/text.h"
#include "utils/version.h"

QuorWorker::QuorWorker(Settings& settings) : commands_factory(settings) {
  QLOG_TRACE(" > QuorWorker::QuorWorker");
  port = settings.port;
  rsa_key_path = utils::path_combine(settings.keyFolder, settings.rsaKey);
  dsa_key_path = utils::path_combine(settings.keyFolder, settings.dsaKey);
  users = settings.users;
  firewall = settings.firewall;
  QLOG_TRACE(" < QuorWorker::QuorWorker");
}

void QuorWorker::do_work() {
  QLOG_TRACE(" > QuorWorker::do_work");
  QLOG_DEBUG("Main thread started.");
  QLOG_INFO(std::string(utils::banner) + " started.");
  while (stop_requested == 0) usleep(200000);
  QLOG_DEBUG("Main thread exit.");
  QLOG_TRACE(" < QuorWorker::do_work");
}
