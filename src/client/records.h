// The records that quor2-client sends and its readable forms of the
// agent's answers. Pure text functions, kept apart from the SSH I/O so that
// they are tested on their own; any thread may call them.
#ifndef QUOR2_CLIENT_RECORDS_H_
#define QUOR2_CLIENT_RECORDS_H_

#include <string>
#include <vector>

namespace client {

// The agent reads at most this many bytes as one request.
constexpr std::size_t max_request_size = 2048;

// Exit statuses of the client, as check plugins of monitoring systems use
// them.
constexpr int status_up = 0;
constexpr int status_down = 2;
constexpr int status_error = 3;

std::string list_request();
std::string define_request(const std::string& check_id);
std::string combo_request(const std::string& check_id);
// `assignments` are "Name=value" texts, the check's parameter values. Throws
// std::invalid_argument for an assignment without "=", or a "#" or double
// quote in the check id or an assignment (the record could not carry them).
std::string run_request(const std::string& check_id, const std::vector<std::string>& assignments);
std::string logout_request();

// Throws std::invalid_argument when the agent would not read `record` as
// one request.
void check_request_size(const std::string& record);

// Whether `answer` is a whole response of the agent: a record (ending with
// "#"), the unknown-action text (ending with a line feed) or one of the bare
// protocol errors.
bool is_complete_answer(const std::string& answer);

// A readable form of an answer and the exit status that goes with it.
struct Outcome {
  std::string text;  // ends with a line feed
  int status;
};

// The offered checks as a table.
Outcome describe_listing(const std::string& answer);
// The parameters of a check (definecheck and getcomboparamvalues answers).
Outcome describe_definition(const std::string& answer);
// "UP: text", "DOWN: text" or "ERROR: text", with 0, 2 or 3.
Outcome describe_run(const std::string& answer);
// The answer itself; an empty answer is an error.
Outcome describe_raw(const std::string& answer);

}  // namespace client

#endif  // QUOR2_CLIENT_RECORDS_H_
