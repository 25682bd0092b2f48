#include "menu_tree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::string ItemText(HMENU menu, int position)
{
    char text[256] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

std::vector<std::string> Texts(HMENU menu)
{
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) texts.push_back(ItemText(menu, i));
    return texts;
}

// Items of the menu and of all its sub-menus.
int CountItems(HMENU menu)
{
    int count = GetMenuItemCount(menu);
    for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i) {
        if (HMENU sub = GetSubMenu(menu, i)) count += CountItems(sub);
    }
    return count;
}

TEST(MenuTreeTest, ItemsNestUnderTheirParents)
{
    MenuTree tree;
    EXPECT_EQ(tree.AddItem(MenuTree::kRoot, "A"), 1);
    EXPECT_EQ(tree.AddItem(1, "B\tCtrl+B"), 2);
    EXPECT_EQ(tree.AddItem(1, "C"), 3);
    EXPECT_EQ(tree.AddItem(MenuTree::kRoot, "D\t"), 4);
    EXPECT_EQ(tree.AddItem(2, "E"), 5);

    HMENU root = tree.Root();
    ASSERT_TRUE(IsMenu(root));
    EXPECT_EQ(Texts(root), (std::vector<std::string>{"A", "D\t"}));
    EXPECT_EQ(GetMenuItemID(root, 1), 4u);
    HMENU a = GetSubMenu(root, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, tree.SubMenu(1));
    EXPECT_EQ(Texts(a), (std::vector<std::string>{"B\tCtrl+B", "C"}));
    EXPECT_EQ(GetMenuItemID(a, 1), 3u);
    HMENU b = GetSubMenu(a, 0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Texts(b), std::vector<std::string>{"E"});
    EXPECT_EQ(GetSubMenu(root, 1), nullptr);
    EXPECT_EQ(tree.SubMenu(4), nullptr);
}

TEST(MenuTreeTest, FailuresAndTheIdentifierLimit)
{
    MenuTree tree;
    EXPECT_EQ(tree.AddItem(MenuTree::kRoot, "A"), 1);
    // An unknown parent fails, and still uses up its identifier.
    EXPECT_EQ(tree.AddItem(99, "lost"), -1);
    EXPECT_EQ(tree.AddItem(0, "lost"), -1);
    EXPECT_EQ(tree.AddItem(2, "under a failed item"), -1);
    EXPECT_EQ(tree.AddItem(MenuTree::kRoot, "B"), 5);
    EXPECT_EQ(GetMenuItemCount(tree.Root()), 2);

    // The rest of the identifiers go to groups of 100 under A: appending to
    // one menu costs time that grows with the menu's length.
    int group = 0;
    for (int expected = 6; expected <= MenuTree::kLastIdentifier; ++expected) {
        const bool newGroup = (expected - 6) % 100 == 0;
        ASSERT_EQ(tree.AddItem(newGroup ? 1 : group, "x"), expected);
        if (newGroup) group = expected;
    }
    HMENU last = tree.SubMenu(group);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(GetMenuItemID(last, GetMenuItemCount(last) - 1), static_cast<UINT>(MenuTree::kLastIdentifier));
    const int lastCount = GetMenuItemCount(last);

    EXPECT_EQ(tree.AddItem(MenuTree::kRoot, "one too many"), 0);
    EXPECT_EQ(tree.AddItem(1, "one too many"), 0);
    EXPECT_EQ(tree.AddItem(group, "one too many"), 0);
    EXPECT_EQ(GetMenuItemCount(tree.Root()), 2);
    EXPECT_EQ(GetMenuItemCount(last), lastCount);
    EXPECT_EQ(CountItems(tree.SubMenu(1)), MenuTree::kLastIdentifier - 5);
}

// An owner window that picks an item of a shown menu.
struct Owner {
    int downs = 1;  // arrow presses before Enter
    int idleCount = 0;
    std::vector<WPARAM> commands;
};
Owner* g_owner = nullptr;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU && g_owner->idleCount++ == 0) {
        HWND menuWindow = reinterpret_cast<HWND>(lParam);
        for (int i = 0; i < g_owner->downs; ++i) PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
        return 0;
    }
    if (message == WM_COMMAND) g_owner->commands.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

class MenuShowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KorvaneMenuOwnerTest";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
        g_owner = &owner_;
        tree_.reset(new MenuTree);
        tree_->AddItem(MenuTree::kRoot, "A");
        tree_->AddItem(1, "B");
        tree_->AddItem(1, "C");
        tree_->AddItem(MenuTree::kRoot, "D");
    }
    void TearDown() override
    {
        tree_.reset();
        DestroyWindow(window_);
        g_owner = nullptr;
    }
    // The choice arrives as a posted WM_COMMAND after the tracking.
    void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }

    HWND window_ = nullptr;
    Owner owner_;
    std::unique_ptr<MenuTree> tree_;
};

TEST_F(MenuShowTest, RootOrOneSubMenuIsShownAndTheChoiceArrives)
{
    owner_.downs = 2;
    tree_->ShowMenu(window_, 10, 10, 0);
    Pump();
    ASSERT_EQ(owner_.commands.size(), 1u);
    EXPECT_EQ(owner_.commands[0], 4u);  // D, the second root item

    owner_ = Owner();
    tree_->ShowMenu(window_, -1, 5, 1);
    Pump();
    ASSERT_EQ(owner_.commands.size(), 1u);
    EXPECT_EQ(owner_.commands[0], 2u);  // B, high word 0
}

TEST_F(MenuShowTest, NothingIsShownForAPlainOrUnknownItem)
{
    for (int item : {2, 4, 99}) {
        tree_->ShowMenu(window_, 10, 10, item);
        Pump();
        EXPECT_EQ(owner_.idleCount, 0) << item;
        EXPECT_TRUE(owner_.commands.empty()) << item;
    }
}

} // namespace
