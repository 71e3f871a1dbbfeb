// The one error convention: a Status or a Result carries the system error exactly, and says done
// only when there is no error.

#include <gtest/gtest.h>

#include <string>

#include "storage/result.h"

namespace varnel {
namespace {

TEST(ResultTest, DoneOnlyWithoutAnErrorAndTheErrorIsKeptExactly) {
  constexpr SystemError kAccessDenied = 5;
  EXPECT_TRUE(Status().ok());
  EXPECT_TRUE(Status::Failure(kNoError).ok());
  EXPECT_FALSE(Status::Failure(kAccessDenied));
  EXPECT_EQ(Status::Failure(kAccessDenied).error(), kAccessDenied);

  Result<std::string> value(std::string("text"));
  ASSERT_TRUE(value);
  EXPECT_EQ(*value, "text");
  EXPECT_EQ(value->size(), 4u);
  EXPECT_EQ(value.error(), kNoError);
  EXPECT_TRUE(value.status().ok());

  const Result<std::string> failed(Status::Failure(kAccessDenied));
  EXPECT_FALSE(failed);
  EXPECT_EQ(failed.error(), kAccessDenied);
  EXPECT_EQ(failed.status().error(), kAccessDenied);
  // A failure is never taken for success, even one made without a code.
  EXPECT_FALSE(Result<int>(Status()));
  EXPECT_NE(Result<int>(Status()).error(), kNoError);
}

}  // namespace
}  // namespace varnel
