// The client's readings of answers the agent under test does not give.
#include "client/records.h"

#include <gtest/gtest.h>

namespace {

TEST(RecordsTest, ReadableForms) {
  const std::string run = "#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#";
  const struct {
    client::Outcome (*describe)(const std::string&);
    std::string answer, text;
    int status;
  } cases[] = {
      {client::describe_listing,
       "#keycount=9#responseaction=listchecks#sessionid=1#checkcount=2#checkid1=CPU#"
       "checkdescription1=CPU Usage#available1=true#checkid2=DiskSpace#"
       "checkdescription2=Disk space#available2=false#",
       "ID         DESCRIPTION\nCPU        CPU Usage\nDiskSpace  Disk space (not available)\n", 0},
      {client::describe_listing, "#keycount=3#responseaction=listchecks#checkcount=0#",
       "No checks offered.\n", 0},
      {client::describe_listing, "#responseaction=listchecks#checkcount=x#",
       "ERROR: #responseaction=listchecks#checkcount=x#\n", 3},
      {client::describe_run, run + "result=maybe#", "ERROR: " + run + "result=maybe#\n", 3},
      {client::describe_run, "no\r\nkeycount", "ERROR: no\\r\\nkeycount\n", 3},
      {client::describe_raw, "", "ERROR: no answer from the agent\n", 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.describe(c.answer).text, c.text);
    EXPECT_EQ(c.describe(c.answer).status, c.status) << c.text;
  }
  for (const std::string partial : {"", "#keycount=3#responseaction=lo", "no key"}) {
    EXPECT_FALSE(client::is_complete_answer(partial)) << partial;
  }
}

}  // namespace
