#include "checks/own_check_definition.h"

#include <algorithm>
#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <map>
#include <sstream>
#include <stdexcept>

#include "utils/text.h"

namespace checks {

const char OwnCheckDefinition::default_pattern[] = "[A-Za-z0-9 ._:/@%+,=-]*";

namespace {

using boost::property_tree::ptree;
using Parameter = OwnCheckDefinition::Parameter;

[[noreturn]] void refuse(const std::string& reason) { throw std::runtime_error(reason); }

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7f; }

int positive_number(const std::string& text, const std::string& what) {
  static const boost::regex number("[1-9][0-9]{0,5}");
  if (!boost::regex_match(text, number)) refuse(what + " " + text + " is not a whole number from 1");
  return std::stoi(text);
}

// The words of a command line, split at blanks outside braces, so that a
// placeholder may name a parameter with blanks in its name.
std::vector<std::string> words_of(const std::string& line) {
  std::vector<std::string> words;
  bool in_word = false;
  bool in_braces = false;
  for (const char c : line) {
    if (!in_braces && (c == ' ' || c == '\t')) {
      in_word = false;
      continue;
    }
    if (!in_word) words.emplace_back();
    in_word = true;
    words.back() += c;
    if (c == '{') in_braces = true;
    if (c == '}') in_braces = false;
  }
  return words;
}

// A PATH lookup would let whoever can write a folder on the agent's PATH
// choose the program.
std::vector<std::string> program_words(const std::string& line, const std::string& key) {
  const std::vector<std::string> words = words_of(line);
  if (words.empty()) refuse("no program in " + key);
  if (words[0][0] != '/') refuse(key + ": the program " + words[0] + " is not an absolute path");
  return words;
}

// Unknown keys are refused: a misspelt pattern would otherwise pass
// unnoticed.
void check_keys(const ptree& section, const std::string& label,
                const std::vector<std::string>& known) {
  for (const auto& key : section) {
    if (std::find(known.begin(), known.end(), key.first) == known.end()) {
      refuse("unknown key " + key.first + " in " + label);
    }
  }
}

Parameter read_parameter(const ptree& section, const std::string& label,
                         const std::vector<Parameter>& before) {
  static const std::vector<std::string> types = {"text", "longinteger", "boolean", "listdrop",
                                                 "listcombo"};
  // Keys that only some types take. A listdrop has no values_command: its
  // value is checked against its values when it runs, and the commands
  // that list values run for "getcomboparamvalues" only.
  static const std::pair<const char*, const char*> typed_keys[] = {
      {"values", " listdrop listcombo "},
      {"values_command", " listcombo "},
      {"pattern", " text listcombo "}};
  static const boost::regex comma("\\s*,\\s*");
  check_keys(section, label,
             {"name", "type", "maxlength", "default", "values", "values_command", "pattern"});
  Parameter parameter;
  parameter.shown = CheckParameter(section.get("name", ""), section.get("type", "text"), 0,
                                   section.get("default", ""),
                                   utils::split(section.get("values", ""), comma));
  const std::string& name = parameter.shown.name;
  const std::string& type = parameter.shown.type;
  if (name.empty()) refuse(label + ": no name");
  if (name.find_first_of("#\"={}") != std::string::npos ||
      std::any_of(name.begin(), name.end(), is_control)) {
    refuse(label + ": the name " + name + " holds # \" = { } or a control character");
  }
  for (const Parameter& other : before) {
    if (other.shown.name == name) refuse(label + ": a second parameter named " + name);
  }
  if (std::find(types.begin(), types.end(), type) == types.end()) {
    refuse(label + ": unknown type " + type);
  }
  for (const auto& key : typed_keys) {
    if (section.count(key.first) != 0 && std::string(key.second).find(" " + type + " ") == std::string::npos) {
      refuse(label + ": " + key.first + " is for the types" + key.second + "only");
    }
  }
  if (type == "listdrop" && parameter.shown.values.empty()) {
    refuse(label + ": a listdrop needs values");
  }
  if (section.count("maxlength") != 0) {
    parameter.shown.max_length =
        positive_number(section.get<std::string>("maxlength"), label + ": maxlength");
  }
  if (section.count("values_command") != 0) {
    const std::string key = label + " values_command";
    parameter.values_command = program_words(section.get<std::string>("values_command"), key);
    for (const std::string& word : parameter.values_command) {
      if (word.find('{') != std::string::npos) refuse(key + " takes no placeholder");
    }
  }
  try {
    parameter.pattern = boost::regex(section.get("pattern", OwnCheckDefinition::default_pattern));
  } catch (const boost::regex_error& error) {
    refuse(label + ": pattern: " + error.what());
  }
  return parameter;
}

}  // namespace

bool OwnCheckDefinition::Parameter::accepts(const std::string& value) const {
  if (std::any_of(value.begin(), value.end(),
                  [](char c) { return is_control(c) || c == '#' || c == '"'; })) {
    return false;
  }
  if (shown.max_length > 0 && value.size() > static_cast<std::size_t>(shown.max_length)) {
    return false;
  }
  const std::string& type = shown.type;
  if (type == "longinteger") {
    const std::size_t sign = value.compare(0, 1, "-") == 0 ? 1 : 0;
    return value.size() > sign && std::all_of(value.begin() + sign, value.end(),
                                              [](char c) { return c >= '0' && c <= '9'; });
  }
  if (type == "boolean") return value == "true" || value == "false";
  if (type == "listdrop") {
    return std::find(shown.values.begin(), shown.values.end(), value) != shown.values.end();
  }
  // A leading "-" would be read as an option.
  if (starts_argument && value.compare(0, 1, "-") == 0) return false;
  try {
    return boost::regex_match(value, pattern);
  } catch (const std::runtime_error&) {  // the pattern is too costly for this value
    return false;
  }
}

OwnCheckDefinition OwnCheckDefinition::parse(const std::string& text) {
  ptree tree;
  std::istringstream in(text);
  try {
    boost::property_tree::ini_parser::read_ini(in, tree);
  } catch (const boost::property_tree::ini_parser_error& error) {
    refuse("line " + std::to_string(error.line()) + ": " + error.message());
  }
  static const boost::regex numbered("parameter([1-9][0-9]{0,2})");
  const ptree* check = nullptr;
  std::map<int, const ptree*> sections;
  for (const auto& section : tree) {
    boost::smatch number;
    if (!section.second.data().empty()) refuse("the key " + section.first + " is in no section");
    if (section.first == "check") {
      check = &section.second;
    } else if (boost::regex_match(section.first, number, numbered)) {
      sections[std::stoi(number[1])] = &section.second;
    } else {
      refuse("unknown section [" + section.first + "]");
    }
  }
  if (check == nullptr) refuse("no [check] section");
  check_keys(*check, "[check]", {"id", "description", "command", "timeout"});

  OwnCheckDefinition definition;
  static const boost::regex id_form("[A-Za-z0-9_-]{1,64}");
  definition.id = check->get("id", "");
  if (definition.id.empty()) refuse("no id");
  if (!boost::regex_match(definition.id, id_form)) {
    refuse("the id " + definition.id + " is not 1 to 64 of A-Z a-z 0-9 _ -");
  }
  definition.description = check->get("description", definition.id);
  if (check->count("timeout") != 0) {
    definition.timeout_seconds = positive_number(check->get<std::string>("timeout"), "timeout");
  }
  for (const auto& section : sections) {
    const std::string label = "[parameter" + std::to_string(section.first) + "]";
    const std::size_t expected = definition.parameters.size() + 1;
    if (static_cast<std::size_t>(section.first) != expected) {
      refuse(label + " without [parameter" + std::to_string(expected) + "]");
    }
    definition.parameters.push_back(read_parameter(*section.second, label, definition.parameters));
  }
  definition.split_command(check->get("command", ""));

  for (std::size_t i = 0; i < definition.parameters.size(); ++i) {
    const Parameter& parameter = definition.parameters[i];
    const std::string label = "[parameter" + std::to_string(i + 1) + "]: ";
    const std::string& fallback = parameter.shown.default_value;
    if (!fallback.empty() && !parameter.accepts(fallback)) {
      refuse(label + "the default " + fallback + " is not a valid value");
    }
    for (const std::string& value : parameter.shown.values) {
      if (value.empty() || !parameter.accepts(value)) {
        refuse(label + "the value \"" + value + "\" is not a valid value");
      }
    }
  }
  return definition;
}

void OwnCheckDefinition::split_command(const std::string& line) {
  for (const std::string& word : program_words(line, "command")) {
    std::vector<Piece> pieces;
    for (std::string::size_type at = 0; at < word.size();) {
      const std::string::size_type open = word.find('{', at);
      if (open == std::string::npos) {
        pieces.push_back({word.substr(at), -1});
        break;
      }
      if (open > at) pieces.push_back({word.substr(at, open - at), -1});
      const std::string::size_type close = word.find('}', open);
      if (close == std::string::npos) refuse("command: { without } in " + word);
      const std::string name = word.substr(open + 1, close - open - 1);
      const auto named = std::find_if(parameters.begin(), parameters.end(),
                                      [&](const Parameter& p) { return p.shown.name == name; });
      if (named == parameters.end()) {
        refuse("command: the placeholder {" + name + "} names no parameter");
      }
      if (arguments_.empty()) refuse("command: the program " + word + " holds a placeholder");
      named->starts_argument = named->starts_argument || open == 0;
      pieces.push_back({"", static_cast<int>(named - parameters.begin())});
      at = close + 1;
    }
    arguments_.push_back(pieces);
  }
}

std::vector<std::string> OwnCheckDefinition::command_line(
    const std::vector<std::string>& values) const {
  std::vector<std::string> argv;
  for (const std::vector<Piece>& pieces : arguments_) {
    argv.emplace_back();
    for (const Piece& piece : pieces) {
      argv.back() += piece.parameter < 0 ? piece.text : values.at(piece.parameter);
    }
  }
  return argv;
}

}  // namespace checks
