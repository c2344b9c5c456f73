#include "client/records.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using client::Outcome;

TEST(RecordsTest, Requests) {
  EXPECT_EQ(client::list_request(), "#keycount=3#sessionid=1#requestaction=listchecks#");
  EXPECT_EQ(client::define_request("CPU"),
            "#keycount=4#sessionid=1#requestaction=definecheck#checkid=CPU#");
  EXPECT_EQ(client::combo_request("SNMP"),
            "#keycount=4#sessionid=1#requestaction=getcomboparamvalues#checkid=SNMP#");
  EXPECT_EQ(client::run_request("SNMP", {"Host address=192.0.2.7", "Test=is = to", "Empty="}),
            "#keycount=5#sessionid=1#requestaction=runcheck#checkid=SNMP#"
            "para=\"#Host address=192.0.2.7#Test=is = to#Empty=#\"#");
  EXPECT_EQ(client::run_request("CPU", {}),
            "#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para=\"#\"#");
  EXPECT_EQ(client::logout_request(), "#keycount=3#sessionid=1#requestaction=logout#");
}

TEST(RecordsTest, TextsTheRecordCannotCarryAreRefused) {
  EXPECT_THROW(client::run_request("CPU", {"Load Limit [%]"}), std::invalid_argument);
  EXPECT_THROW(client::run_request("CPU", {"a=b#c"}), std::invalid_argument);
  EXPECT_THROW(client::run_request("CPU", {"a=\"b\""}), std::invalid_argument);
  EXPECT_THROW(client::run_request("C#PU", {}), std::invalid_argument);
  EXPECT_THROW(client::define_request("\"CPU\""), std::invalid_argument);
  EXPECT_NO_THROW(client::check_request_size(std::string(2048, 'x')));
  EXPECT_THROW(client::check_request_size(std::string(2049, 'x')), std::invalid_argument);
}

TEST(RecordsTest, CompleteAnswers) {
  const std::pair<std::string, bool> cases[] = {
      {"", false},
      {"#keycount=3#responseaction=login#", true},
      {"#keycount=3#responseaction=lo", false},
      {"Command foo not implemented\n", true},
      {"no sessionid", true},
      {"no key", false},
  };
  for (const auto& c : cases) EXPECT_EQ(client::is_complete_answer(c.first), c.second) << c.first;
}

TEST(RecordsTest, ReadableForms) {
  const std::string run = "#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#";
  const struct {
    Outcome (*describe)(const std::string&);
    std::string answer;
    std::string text;
    int status;
  } table[] = {
      {client::describe_listing,
       "#keycount=9#responseaction=listchecks#sessionid=1#checkcount=2#checkid1=CPU#"
       "checkdescription1=CPU Usage#available1=true#checkid2=DiskSpace#"
       "checkdescription2=Disk space#available2=false#",
       "ID         DESCRIPTION\nCPU        CPU Usage\nDiskSpace  Disk space (not available)\n", 0},
      {client::describe_listing, "#keycount=3#responseaction=listchecks#sessionid=1#checkcount=0#",
       "No checks offered.\n", 0},
      {client::describe_listing, "#responseaction=listchecks#checkcount=x#",
       "ERROR: #responseaction=listchecks#checkcount=x#\n", 3},
      {client::describe_definition,
       "#keycount=4#responseaction=definecheck#sessionid=1#checkid=SNMP#parameters=\""
       "#paramname1=Host address#paramtype1=text#maxlength1=255#"
       "#paramname2=Test#paramtype2=listdrop#default2=is = to#valuecount=2#value1=is < than#"
       "value2=contains#atbutton_paramcount=1#atbutton_param1=Test#"
       "paramname3=Test value#paramtype3=text#\"#",
       "Parameters of SNMP:\n  Host address (text, max length 255)\n"
       "  Test (listdrop, default: is = to), one of:\n      is < than\n      contains\n"
       "  Test value (text)\n",
       0},
      {client::describe_definition,
       "#keycount=4#responseaction=getcomboparamvalues#sessionid=1#checkid=XYZ#parameters=\"#\"#",
       "XYZ takes no parameters.\n", 0},
      {client::describe_definition,
       "#keycount=4#responseaction=definecheck#sessionid=1#checkid=#errormessage=Check not found#",
       "ERROR: Check not found\n", 3},
      {client::describe_run, run + "result=maybe#", "ERROR: " + run + "result=maybe#\n", 3},
      {client::describe_run, "", "ERROR: no answer from the agent\n", 3},
      {client::describe_run, "no\r\nkeycount", "ERROR: no\\r\\nkeycount\n", 3},
      {client::describe_raw, "", "ERROR: no answer from the agent\n", 3},
  };
  for (const auto& c : table) {
    const Outcome outcome = c.describe(c.answer);
    EXPECT_EQ(outcome.text, c.text);
    EXPECT_EQ(outcome.status, c.status) << c.text;
  }
}

}  // namespace
