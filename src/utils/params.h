// Parameter records: the text form of every request and response.
//
// A record is a flat text of fields "key=value", each preceded by "#", the
// last followed by "#". A "#" inside double quotes belongs to its field, and
// a value wrapped in double quotes is read without them. Stateless free
// functions; any thread may call them.
//
// A request is normalised in three places, each where it has always been:
// the session drops the first byte of every chunk it reads (the "#" that
// opens a record carries no field); get_params_map takes the quotes off a
// quoted value; the run-check command drops the first and last character
// of its para value (the quotes a server sends around the nested record)
// before parsing it as a record of its own.
#ifndef QUOR2_UTILS_PARAMS_H_
#define QUOR2_UTILS_PARAMS_H_

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace utils {

using ParamsMap = std::map<std::string, std::string>;
using ParamsList = std::vector<std::pair<std::string, std::string>>;

// The fields of a record, in order, before they are taken apart at "=".
//
// A "#" separates when the text after it, up to the end of the text or up to
// some line break (LF, CR or FF), holds complete double-quoted strings only:
// outside quotes and inside them a backslash escapes the next byte, whatever
// it is. The pieces are those between the
// separating "#": an empty text gives none, a leading "#" gives an empty
// first piece, and an empty last piece is dropped. Linear in the length of
// the text; never throws but std::bad_alloc.
std::vector<std::string> split_record(const std::string& text);

// Parses a record; fields without "=" are skipped, a repeated key keeps its
// last value.
ParamsMap get_params_map(const std::string& text);

// Writes the pairs verbatim: "#k1=v1#k2=v2#", or "#" for no pair.
std::string params_list_to_string(const ParamsList& list);

// As params_list_to_string, each value through escape_record_text: the
// way every record the agent sends is written.
std::string escaped_record(const ParamsList& list);

// A response: "#keycount=<n>" and then the n fields, as escaped_record
// writes them.
std::string counted_record(const ParamsList& fields);

// As counted_record(fields) with one more field last, `nested_key`, whose
// value is the record `nested` (written by escaped_record) between double
// quotes, so that its "#" stay inside the field.
std::string counted_record(const ParamsList& fields, const std::string& nested_key,
                           const ParamsList& nested);

// A value made safe for a record: "#" becomes "{35}", a double quote
// "{34}" and every control character (bytes 0-31 and 127) "{N}", N in
// decimal, so no text can end its field, open a quoted one or reach a
// terminal as a control sequence. Escaping twice changes nothing more.
std::string escape_record_text(const std::string& text);

// The text written instead of a secret.
extern const char* const hidden_value;

// A record text, nested records included, for the log: the value of every
// key whose name holds "community", "password" or "secret" (in any case)
// becomes hidden_value.
std::string mask_secrets(const std::string& text);

}  // namespace utils

#endif  // QUOR2_UTILS_PARAMS_H_
