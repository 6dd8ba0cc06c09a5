#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/Cp932.h"
#include "store/CMiniDOMIO.h"
#include "store/CMiniDOMNode.h"
#include "store/CMiniDOMResourceIO.h"

namespace vostrelle {
namespace {

using Node = CMiniDOMNode;

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";
const std::string kRead = "読込エラー: "_sjis;

// The messages are shown through the CP932 edge like every other text, so they must be
// CP932 bytes, not the UTF-8 of the source file.
TEST(CMiniDOMIOMessages, AreShiftJisBytes) {
  EXPECT_EQ(kRead, "\x93\xC7\x8D\x9E\x83\x47\x83\x89\x81\x5B: ");
}

struct Parsed {
  bool ok;
  std::string error;
};

Parsed Parse(const std::string& text, Node& root) {
  CMiniDOMResourceIO io;
  bool ok = io.LoadFromResource(text, root);
  return {ok, io.GetErrorText()};
}

TEST(CMiniDOMIORead, ValueIsAllTextOutsideChildren) {
  Node root;
  ASSERT_TRUE(Parse("<a>x<b>y</b>z</a>", root).ok);
  const Node* a = Node::FindChild(&root, "a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetValue(), "xz");
  ASSERT_EQ(Node::GetChildCount(a), 1);
  EXPECT_EQ(Node::GetChild(a, 0)->GetValue(), "y");

  Node spaced;
  ASSERT_TRUE(Parse("<a>\r\n <b></b>\r\n</a>", spaced).ok);
  EXPECT_EQ(Node::FindChild(&spaced, "a")->GetValue(), "\r\n \r\n");
}

TEST(CMiniDOMIORead, EntitiesAndCp932PassThrough) {
  Node root;
  // "ソ" is 0x83 0x5C: its trail byte must not be taken for markup.
  ASSERT_TRUE(Parse("<a>&lt;&amp;&gt;\x83\x5C</a>", root).ok);
  EXPECT_EQ(Node::FindChild(&root, "a")->GetValue(), "<&>\x83\x5C");
  EXPECT_EQ(CMiniDOMIO::Serialize(root), kDecl + "<a>&lt;&amp;&gt;\x83\x5C</a>");

  for (const char* text : {"<a>&quot;</a>", "<a>&#65;</a>", "<a>&apos;</a>"}) {
    Node bad;
    Parsed p = Parse(text, bad);
    EXPECT_FALSE(p.ok) << text;
    EXPECT_EQ(p.error, kRead + "未対応の特殊文字です。"_sjis) << text;
  }
}

TEST(CMiniDOMIORead, TagsSkipWhatFollowsTheName) {
  Node root;
  ASSERT_TRUE(Parse("<a x=\"1\">v</a >", root).ok);
  EXPECT_EQ(Node::FindChild(&root, "a")->GetValue(), "v");

  const std::string mismatch = kRead + "終了タグと開始タグが一致していません。"_sjis;
  Node empty;
  EXPECT_EQ(Parse("<p><a/></p>", empty).error, mismatch);
  Node blank;
  EXPECT_EQ(Parse("<a>v</ a>", blank).error, mismatch);
  Node other;
  EXPECT_EQ(Parse("<a>v</b>", other).error, mismatch);
}

TEST(CMiniDOMIORead, MissingNames) {
  Node root;
  Parsed p = Parse("<a>v</>", root);
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.error, kRead + "名前が存在しません。"_sjis);
  Node inner;
  EXPECT_EQ(Parse("<a><></a>", inner).error, kRead + "名前が存在しません。"_sjis);
  Node ignored;
  ASSERT_TRUE(Parse("\xEF\xBB\xBFstray<><a>v</a>", ignored).ok);
  EXPECT_EQ(Node::GetChildCount(&ignored), 1);
}

TEST(CMiniDOMIORead, DeclarationAndTopLevel) {
  Node root;
  ASSERT_TRUE(Parse(kDecl + "<a>1</a>\r\n<b>2</b>", root).ok);
  ASSERT_EQ(Node::GetChildCount(&root), 2);
  EXPECT_EQ(Node::GetChild(&root, 1)->GetName(), "b");
  // Only the first top-level element is written.
  EXPECT_EQ(CMiniDOMIO::Serialize(root), kDecl + "<a>1</a>");

  Node bad;
  Parsed p = Parse("<?xml ?x<a></a>", bad);
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.error, kRead + "\">\"が存在しません。"_sjis);
}

TEST(CMiniDOMIORead, TruncatedInputKeepsEarlierNodes) {
  const std::string eof = kRead + "読み込み中に終端に到達しました。"_sjis;
  Node root;
  Parsed p = Parse("<r><a>1</a><b>2", root);
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.error, eof);
  const Node* r = Node::FindChild(&root, "r");
  ASSERT_EQ(Node::GetChildCount(r), 2);
  EXPECT_EQ(Node::GetChild(r, 0)->GetValue(), "1");
  EXPECT_EQ(Node::GetChild(r, 1)->GetValue(), "");

  for (const char* text : {"<", "<?xml", "<a>&lt", "<a>v</a", "<a"}) {
    Node cut;
    EXPECT_EQ(Parse(text, cut).error, eof) << text;
  }
}

TEST(CMiniDOMIORead, DeepNestingFailsCleanly) {
  std::string ok, deep;
  for (int i = 0; i < CMiniDOMIO::kMaxDepth; ++i) ok = "<a>" + ok + "</a>";
  Node shallow;
  EXPECT_TRUE(Parse(ok, shallow).ok);

  for (int i = 0; i < 100000; ++i) deep += "<a>";
  Node root;
  Parsed p = Parse(deep, root);
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.error.rfind(kRead, 0), 0u);
}

TEST(CMiniDOMNodeValues, IntConventions) {
  Node root;
  Node* n = root.AddChild("n");
  int value = 42;
  EXPECT_FALSE(Node::GetInt(Node::FindChild(&root, "missing"), value));
  EXPECT_EQ(value, 42);
  n->SetValue("abc");
  EXPECT_TRUE(Node::GetInt(n, value));
  EXPECT_EQ(value, 0);
  n->SetValue("  -12x3");
  Node::GetInt(n, value);
  EXPECT_EQ(value, -12);
  n->SetInt(-7);
  EXPECT_EQ(n->GetValue(), "-7");
}

TEST(CMiniDOMNodeValues, BinaryConventions) {
  Node root;
  Node* n = root.AddChild("b");
  n->SetBinary({0x00, 0xAB});
  EXPECT_EQ(n->GetValue(), "00AB");
  std::vector<unsigned char> data{9, 9, 9};
  ASSERT_TRUE(Node::GetBinary(n, data));
  EXPECT_EQ(data, (std::vector<unsigned char>{0x00, 0xAB}));
  n->SetValue("00ab7");
  Node::GetBinary(n, data);
  EXPECT_EQ(data, (std::vector<unsigned char>{0x00, 0xAB}));
  n->SetValue("G15Z");
  Node::GetBinary(n, data);
  EXPECT_EQ(data, (std::vector<unsigned char>{0x00, 0x05}));
  std::vector<unsigned char> untouched{1};
  EXPECT_FALSE(Node::GetBinary(nullptr, untouched));
  EXPECT_EQ(untouched.size(), 1u);
}

TEST(CMiniDOMIOFiles, SaveLoadAndMissingFile) {
  test::TempDir dir;
  Node root;
  Node* r = root.AddChild("r");
  r->AddChild("a")->SetValue("\"q\"\r\n");
  CMiniDOMIO io;
  ASSERT_TRUE(io.SaveDocument(dir.File("d.xml"), root));
  EXPECT_EQ(test::ReadFile(dir.File("d.xml")), kDecl + "<r><a>\"q\"\r\n</a></r>");

  Node back;
  ASSERT_TRUE(io.LoadDocument(dir.File("d.xml"), back));
  EXPECT_EQ(Node::FindChild(Node::FindChild(&back, "r"), "a")->GetValue(), "\"q\"\r\n");

  Node none;
  CMiniDOMIO fresh;
  EXPECT_FALSE(fresh.LoadDocument(dir.File("missing.xml"), none));
  EXPECT_EQ(Node::GetChildCount(&none), 0);
  EXPECT_EQ(fresh.GetErrorText(), "");
  EXPECT_FALSE(fresh.SaveDocument(dir.File("no/such/folder.xml"), root));

  ::chmod(dir.File("d.xml").c_str(), 0640);
  ASSERT_TRUE(io.SaveDocument(dir.File("d.xml"), root));
  struct stat st;
  ASSERT_EQ(::stat(dir.File("d.xml").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // replacing keeps the old file's mode

  CMiniDOMResourceIO resource;
  EXPECT_FALSE(resource.LoadFromResource("", none));

  Node empty;
  ASSERT_TRUE(io.SaveDocument(dir.File("e.xml"), empty));
  EXPECT_EQ(test::ReadFile(dir.File("e.xml")), kDecl);
}

TEST(CMiniDOMIOFiles, FailedWriteKeepsOldFile) {
  test::TempDir dir;
  const std::string path = dir.File("keep.xml");
  test::WriteFile(path, "old contents");
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Node root;
    root.AddChild("big")->SetValue(std::string(10000, 'x'));
    CMiniDOMIO io;
    bool ok = io.SaveDocument(path, root);
    bool message = io.GetErrorText() == "書込エラー: 出力に失敗しました。"_sjis;
    ::_exit(!ok && message ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(test::ReadFile(path), "old contents");
  // No temporary file is left behind.
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.Path())) entries += e.exists();
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace vostrelle
