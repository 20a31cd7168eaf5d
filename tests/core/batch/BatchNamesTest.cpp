#include <gtest/gtest.h>

#include "core/batch/BatchNames.h"

namespace velmor::batch {
namespace {

TEST(BatchNames, AcceptsNamesWhoseTailOccursInTheExtensionList) {
  for (const char* name :
       {"x-1.jpg", "x-1.JPEG", "x-1.Png", "x-1.jpe", "x-1.g", "x-1.bmp", "x-1.wmf", "x-1.EMF",
        "x-1.ico", "x-1.gif", "x-1.", "ゼンリン-1.jpg", "x-1.BMP.jpg", "x-1.jpeg.WMF"})
    EXPECT_TRUE(IsAcceptedPictureName(name)) << name;
}

TEST(BatchNames, SkipsOtherNames) {
  for (const char* name : {"x-1.tif", "readme", ".x-1.jpg", "x-1.b.jpg", "", ".", "x-1.jpgx",
                           "x-1.jpg ", "x-1.png.jpg", "x-1.jpg.wmf"})
    EXPECT_FALSE(IsAcceptedPictureName(name)) << name;
}

TEST(BatchNames, ProcessesTheListingBackwards) {
  const std::vector<std::string> listing = {"B-1.jpg", "readme", "c-1.jpg", "A-1.jpg"};
  const auto listed = AcceptedInListingOrder(listing);
  EXPECT_EQ(listed, (std::vector<std::string>{"A-1.jpg", "B-1.jpg", "c-1.jpg"}));
  EXPECT_EQ(ProcessingOrder(listed), (std::vector<std::string>{"c-1.jpg", "B-1.jpg", "A-1.jpg"}));
  EXPECT_TRUE(ProcessingOrder({}).empty());
}

TEST(BatchNames, ListingOrderIsStableUnderCase) {
  EXPECT_EQ(AcceptedInListingOrder({"a-1.jpg", "A-1.jpg", "A-0.jpg"}),
            (std::vector<std::string>{"A-0.jpg", "A-1.jpg", "a-1.jpg"}));
}

TEST(BatchNames, StampTextIsTheNameUpToItsFirstDot) {
  EXPECT_EQ(StampText("ABC-123.jpg"), "ABC-123");
  EXPECT_EQ(StampText("ABC-12-3.JPG"), "ABC-12-3");
  EXPECT_EQ(StampText("地図-1.x.png"), "地図-1");
  EXPECT_EQ(StampText("readme"), "readme");
}

TEST(BatchNames, SplitsAtTheFirstDash) {
  EXPECT_EQ(SplitOutputName("ABC-123.jpg"), (OutputName{"ABC", "123.jpg"}));
  EXPECT_EQ(SplitOutputName("ABC-12-3.JPG"), (OutputName{"ABC", "12-3.JPG"}));
  EXPECT_EQ(SplitOutputName("ABC-1.bmp"), (OutputName{"ABC", "1.bmp"}));
  EXPECT_EQ(SplitOutputName("詳細図-Ａ.Png"), (OutputName{"詳細図", "Ａ.Png"}));
}

TEST(BatchNames, NamesThatGiveNoPlaceAreNotSplit) {
  EXPECT_EQ(SplitOutputName("ABC.jpg"), std::nullopt);
  EXPECT_EQ(SplitOutputName("-1.jpg"), std::nullopt);
  EXPECT_EQ(SplitOutputName("ABC-.jpg"), std::nullopt);
  EXPECT_EQ(SplitOutputName("ABC-"), std::nullopt);
}

TEST(BatchNames, SourceFolderEndsInASeparator) {
#ifdef _WIN32
  EXPECT_EQ(kSourceFolder, "D:\\ゼンリン詳細図\\");
#else
  EXPECT_EQ(kSourceFolder, "/mnt/d/ゼンリン詳細図/");
#endif
}

}  // namespace
}  // namespace velmor::batch
