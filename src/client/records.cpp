#include "client/records.h"

#include <algorithm>
#include <stdexcept>

#include "logger/logger.h"
#include "utils/params.h"

namespace client {

namespace {

std::string request(const std::string& action, const utils::ParamsList& extra = {}) {
  utils::ParamsList fields = {{"keycount", std::to_string(2 + extra.size() + 1)},
                              {"sessionid", "1"},
                              {"requestaction", action}};
  fields.insert(fields.end(), extra.begin(), extra.end());
  return utils::params_list_to_string(fields);
}

void check_carriable(const std::string& text, const std::string& what) {
  if (text.find_first_of("#\"") != std::string::npos) {
    throw std::invalid_argument(what + " may not contain '#' or '\"': " + text);
  }
}

std::string value_of(const utils::ParamsMap& map, const std::string& key) {
  const auto it = map.find(key);
  return it == map.end() ? std::string() : it->second;
}

bool starts_with(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

Outcome unexpected(const std::string& answer) {
  if (answer.empty()) return {"ERROR: no answer from the agent\n", status_error};
  std::string shown = answer;
  if (shown.back() == '\n') shown.pop_back();
  return {"ERROR: " + logger::escape(shown) + "\n", status_error};
}

struct Parameter {
  std::string name;
  std::string type;
  std::string max_length;
  std::string default_value;
  std::vector<std::string> values;
};

// The definition record in its own order: the value items follow the
// parameter they belong to.
std::vector<Parameter> parse_definition(const std::string& record) {
  std::vector<Parameter> parameters;
  std::string::size_type start = 0;
  while (start <= record.size()) {
    std::string::size_type end = record.find('#', start);
    if (end == std::string::npos) end = record.size();
    const std::string field = record.substr(start, end - start);
    start = end + 1;
    const std::string::size_type equals = field.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = field.substr(0, equals);
    const std::string value = field.substr(equals + 1);
    if (starts_with(key, "paramname")) {
      parameters.push_back({value, "", "", "", {}});
    } else if (parameters.empty() || key == "valuecount" || starts_with(key, "atbutton_")) {
      continue;
    } else if (starts_with(key, "paramtype")) {
      parameters.back().type = value;
    } else if (starts_with(key, "maxlength")) {
      parameters.back().max_length = value;
    } else if (starts_with(key, "default")) {
      parameters.back().default_value = value;
    } else if (starts_with(key, "value")) {
      parameters.back().values.push_back(value);
    }
  }
  return parameters;
}

}  // namespace

std::string list_request() { return request("listchecks"); }

std::string define_request(const std::string& check_id) {
  check_carriable(check_id, "A check id");
  return request("definecheck", {{"checkid", check_id}});
}

std::string combo_request(const std::string& check_id) {
  check_carriable(check_id, "A check id");
  return request("getcomboparamvalues", {{"checkid", check_id}});
}

std::string run_request(const std::string& check_id, const std::vector<std::string>& assignments) {
  check_carriable(check_id, "A check id");
  utils::ParamsList values;
  for (const std::string& assignment : assignments) {
    const std::string::size_type equals = assignment.find('=');
    if (equals == std::string::npos) {
      throw std::invalid_argument("A parameter value is written Name=value: " + assignment);
    }
    check_carriable(assignment, "A parameter value");
    values.emplace_back(assignment.substr(0, equals), assignment.substr(equals + 1));
  }
  return request("runcheck", {{"checkid", check_id},
                              {"para", "\"" + utils::params_list_to_string(values) + "\""}});
}

std::string logout_request() { return request("logout"); }

void check_request_size(const std::string& record) {
  if (record.size() > max_request_size) {
    throw std::invalid_argument("The request is longer than " + std::to_string(max_request_size) +
                                " bytes");
  }
}

bool is_complete_answer(const std::string& answer) {
  if (answer.empty()) return false;
  if (answer.back() == '#' || answer.back() == '\n') return true;
  return answer == "no keycount" || answer == "no sessionid" || answer == "no requestaction";
}

Outcome describe_listing(const std::string& answer) {
  const utils::ParamsMap map = utils::get_params_map(answer);
  if (value_of(map, "responseaction") != "listchecks") return unexpected(answer);
  int count = 0;
  try {
    count = std::stoi(value_of(map, "checkcount"));
  } catch (const std::logic_error&) {
    return unexpected(answer);
  }
  if (count <= 0) return {"No checks offered.\n", status_up};
  std::vector<std::pair<std::string, std::string>> rows;
  std::size_t width = 2;
  for (int i = 1; i <= count; ++i) {
    const std::string index = std::to_string(i);
    std::string description = value_of(map, "checkdescription" + index);
    if (value_of(map, "available" + index) != "true") description += " (not available)";
    rows.emplace_back(value_of(map, "checkid" + index), description);
    width = std::max(width, rows.back().first.size());
  }
  std::string text = "ID" + std::string(width - 2, ' ') + "  DESCRIPTION\n";
  for (const auto& row : rows) {
    text += row.first + std::string(width - row.first.size(), ' ') + "  " + row.second + "\n";
  }
  return {text, status_up};
}

Outcome describe_definition(const std::string& answer) {
  const utils::ParamsMap map = utils::get_params_map(answer);
  const std::string action = value_of(map, "responseaction");
  if (action != "definecheck" && action != "getcomboparamvalues") return unexpected(answer);
  if (map.count("errormessage") != 0) {
    return {"ERROR: " + value_of(map, "errormessage") + "\n", status_error};
  }
  const std::string check_id = value_of(map, "checkid");
  const std::vector<Parameter> parameters = parse_definition(value_of(map, "parameters"));
  if (parameters.empty()) return {check_id + " takes no parameters.\n", status_up};
  std::string text = "Parameters of " + check_id + ":\n";
  for (const Parameter& parameter : parameters) {
    text += "  " + parameter.name + " (" + parameter.type;
    if (!parameter.max_length.empty()) text += ", max length " + parameter.max_length;
    if (!parameter.default_value.empty()) text += ", default: " + parameter.default_value;
    text += parameter.values.empty() ? ")\n" : "), one of:\n";
    for (const std::string& value : parameter.values) text += "      " + value + "\n";
  }
  return {text, status_up};
}

Outcome describe_run(const std::string& answer) {
  const utils::ParamsMap map = utils::get_params_map(answer);
  if (value_of(map, "responseaction") != "runcheck") return unexpected(answer);
  if (map.count("errormessage") != 0) {
    return {"ERROR: " + value_of(map, "errormessage") + "\n", status_error};
  }
  const std::string result = value_of(map, "result");
  const std::string text = value_of(map, "resultstring") + "\n";
  if (result == "up") return {"UP: " + text, status_up};
  if (result == "down") return {"DOWN: " + text, status_down};
  return unexpected(answer);
}

Outcome describe_raw(const std::string& answer) {
  if (answer.empty()) return unexpected(answer);
  return {answer.back() == '\n' ? answer : answer + "\n", status_up};
}

}  // namespace client
