// A channel's read options: stored with the project, and turned into the read request.
#include "comm/ReadStation.h"
#include "model/KivFileInf.h"
#include "model/KivStream.h"
#include "model/KivTamsor.h"
#include "reports/RegisterUsage.h"

#include "DecoderTestSupport.h"

#include <gtest/gtest.h>

namespace
{

TKivChannel* ChannelAt(TKivTamsor& root, int i)
{
    return root.Channels->Items(i);
}

} // namespace

TEST(ChannelReadOptions, SurviveSavingAndLoadingAndAreStoredOnlyWhenSet)
{
    TKivTamsor saved;
    auto* plain = new TKivChannel(saved.Channels.get());
    auto* tuned = new TKivChannel(saved.Channels.get());
    tuned->Type = TKivChannel::TypeInternet;
    tuned->ReadOptions = {true, 125, 8};
    new TKivStation(tuned);
    auto* onlyDefined = new TKivChannel(saved.Channels.get());
    onlyDefined->ReadOptions.DefinedOnly = true;

    TKivTamsor loaded;
    ASSERT_TRUE(DecodeProjectFile(EncodeProjectFile(saved), loaded));
    ASSERT_EQ(loaded.Channels->Count(), 3);
    EXPECT_EQ(ChannelAt(loaded, 0)->ReadOptions, TReadOptions());
    EXPECT_EQ(ChannelAt(loaded, 1)->ReadOptions, (TReadOptions{true, 125, 8}));
    EXPECT_EQ(ChannelAt(loaded, 1)->Stations.Count(), 1);
    EXPECT_EQ(ChannelAt(loaded, 2)->ReadOptions, (TReadOptions{true, 64, 1}));

    // A channel with the defaults is stored as before the options existed: without their keys.
    const auto block = [](TKivChannel& channel) {
        TKivStream stream;
        channel.SerializeStream(TKivSerialization::Save, stream);
        return stream.Bytes();
    };
    const QByteArray key(reinterpret_cast<const char*>(u"InFlight"), 16);
    EXPECT_FALSE(block(*plain).contains(key));
    EXPECT_TRUE(block(*tuned).contains(key));

    // Copying a channel without options onto one with them gives the defaults.
    plain->AssignTo(ChannelAt(loaded, 1));
    EXPECT_EQ(ChannelAt(loaded, 1)->ReadOptions, TReadOptions());
}

TEST(ChannelReadOptions, ReadRequestCarriesThemAndTheDefinedRegisters)
{
    DecoderLanguage language;
    TKivTamsor root;
    auto* channel = new TKivChannel(root.Channels.get());
    channel->Type = TKivChannel::TypeInternet;
    auto* station = new TKivStation(channel);
    auto* recipe = new TKivRecipe(station->Recipes.get());
    recipe->Register = 1000;
    recipe->Count = 2;
    (new TKivRecipeItem(recipe->RecipeItems.get()))->Format = 4;
    station->RegisterImage = QByteArray(RegisterImageSize, '\x42');

    StationReadRequest request = MakeStationReadRequest(*station);
    EXPECT_EQ(request.options, TReadOptions());
    EXPECT_FALSE(request.registers) << "a full read";
    EXPECT_FALSE(request.moreRegisters);

    // Values no read can use (a damaged project file) read with the defaults.
    channel->ReadOptions = {true, 500, 300};
    request = MakeStationReadRequest(*station);
    EXPECT_EQ(request.options, (TReadOptions{true, 64, 1}));
    ASSERT_TRUE(request.registers);
    EXPECT_TRUE(*request.registers == TRegisterUsage(*station).Registers());
    EXPECT_EQ(request.baseImage, station->RegisterImage);
    ASSERT_TRUE(request.moreRegisters);
    EXPECT_TRUE(request.moreRegisters(station->RegisterImage) == *request.registers);
}
