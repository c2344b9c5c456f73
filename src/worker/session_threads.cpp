#include "worker/session_threads.h"

#include <pthread.h>

#include <boost/chrono.hpp>

#include "logger/logger.h"

SessionThreads::SessionThreads(int max_sessions, int login_grace_seconds, int stop_seconds)
    : max_sessions_(max_sessions),
      login_grace_seconds_(login_grace_seconds),
      stop_seconds_(stop_seconds) {}

SessionThreads::~SessionThreads() {
  end_all();
  for (Session& session : sessions_) session.thread->detach();
}

void SessionThreads::start(utils::SshSession session, const std::string& client_ip,
                           const Body& body) {
  if (open_ >= max_sessions_) {
    QLOG_WARN("Connection from " + client_ip + " refused: the limit of " +
              std::to_string(max_sessions_) + " sessions is reached (agent.maxSessions)");
    // No byte has been sent yet: close without a word.
    ssh_free(session.release());
    return;
  }
  try {
    const auto socket = std::make_shared<SessionSocket>(ssh_get_fd(session.get()));
    ssh_session connection = session.get();
    ++open_;
    std::unique_ptr<boost::thread> thread;
    try {
      thread = std::make_unique<boost::thread>([this, body, connection, socket, client_ip] {
        pthread_setname_np(pthread_self(), "quor2-session");
        body(connection, socket, client_ip);
        --open_;
      });
    } catch (...) {
      --open_;
      throw;
    }
    session.release();  // the thread owns it now
    std::lock_guard<std::mutex> lock(mutex_);
    sessions_.push_back({std::move(thread), socket, std::chrono::steady_clock::now(), client_ip});
  } catch (const std::exception& error) {
    QLOG_ERROR(std::string("Can not start a session thread: ") + error.what());
  }
}

void SessionThreads::reap() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    if (it->thread->try_join_for(boost::chrono::milliseconds(0))) {
      it = sessions_.erase(it);
    } else {
      ++it;
    }
  }
}

void SessionThreads::end_late_logins() {
  const auto deadline =
      std::chrono::steady_clock::now() - std::chrono::seconds(login_grace_seconds_);
  std::lock_guard<std::mutex> lock(mutex_);
  for (Session& session : sessions_) {
    if (session.accepted <= deadline && session.socket->shutdown_before_login()) {
      QLOG_WARN("Connection from " + session.client_ip + " closed: no login within " +
                std::to_string(login_grace_seconds_) + " s (agent.loginGraceTime)");
    }
  }
}

void SessionThreads::end_all() {
  std::list<Session> open;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open.swap(sessions_);
  }
  if (open.empty()) return;
  QLOG_DEBUG("Closing " + std::to_string(open.size()) + " open sessions.");
  for (Session& session : open) session.socket->shutdown();
  const auto deadline = boost::chrono::steady_clock::now() + boost::chrono::seconds(stop_seconds_);
  for (auto it = open.begin(); it != open.end();) {
    if (it->thread->try_join_until(deadline)) {
      it = open.erase(it);
    } else {
      ++it;
    }
  }
  if (open.empty()) return;
  QLOG_ERROR(std::to_string(open.size()) + " session threads did not end within " +
             std::to_string(stop_seconds_) + " seconds.");
  std::lock_guard<std::mutex> lock(mutex_);
  sessions_.splice(sessions_.end(), open);
}

std::size_t SessionThreads::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sessions_.size();
}
