#include "bench/shop_customers.h"

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>

#include "jet/database_session.h"
#include "jet/memory_file_system.h"
#include "jet/table_writer.h"
#include "jet/text.h"
#include "store/provision.h"

namespace bench {

namespace {

// Characters buyers put in their names, and syllables of the pinyin ones.
constexpr std::string_view kNameChars =
    "小大美丽宝贝猫咪兔子花开心快乐阳光星月天空海风雨雪云晴红蓝绿紫金银玉林张王李赵刘陈杨黄周吴"
    "徐孙马朱胡郭何高罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟"
    "谭陆汪范廖石韦贾夏付方邹熊白孟秦邱侯江尹薛段雷黎史龙陶贺顾毛郝龚邵万钱严武戴莫孔向汤糖果"
    "甜蜜柠檬橙子苹果草莓樱桃葡萄西瓜奶茶咖啡可乐布丁饼干";
constexpr std::string_view kSyllables[] = {
    "wang", "li",   "zhang", "liu",  "chen",  "yang", "huang", "zhao", "wu",  "zhou",
    "xu",   "sun",  "ma",    "zhu",  "hu",    "guo",  "he",    "lin",  "luo", "xiao",
    "mei",  "ling", "ying",  "jing", "hong",  "fang", "xin",   "yu",   "qi",  "bao",
    "tian", "ai",   "lucky", "baby", "jenny", "amy",  "coco",  "kiki", "sun", "star"};
// What shop staff write about a buyer.
constexpr std::string_view kPhrases[] = {"问了尺码和发货时间",
                                         "说再看看",
                                         "嫌贵，想要便宜点",
                                         "要求包邮",
                                         "已发优惠券",
                                         "想要红色的，没货了",
                                         "XL码偏小吗",
                                         "问能不能开发票",
                                         "下周再联系",
                                         "问了退换货",
                                         "对比了别家的价格",
                                         "老客户，买过三次",
                                         "拍下未付款，已催付",
                                         "地址在上海市浦东新区",
                                         "送朋友的，要礼盒包装",
                                         "旺旺上说晚上再定",
                                         "问有没有现货",
                                         "要两件，问能不能再优惠",
                                         "Size M or L?",
                                         "订单号 3219876543210",
                                         "物流太慢，有点不满意",
                                         "收到了，说质量不错",
                                         "想改地址",
                                         "问颜色有没有色差",
                                         "双十一再买",
                                         "要加急发顺丰",
                                         "问羽绒服含绒量",
                                         "孩子身高120cm，问穿哪个码",
                                         "微信 wx_shop2026 已加"};
constexpr std::string_view kOurIds[] = {"岚桥旗舰店:小王", "岚桥旗舰店:小李", "岚桥旗舰店:阿美",
                                        "lanqiao_shop",    "岚桥童装:客服1",  "岚桥童装:客服2"};

constexpr double kFirstDay = 44927;  // 2023-01-01
constexpr double kToday = 46365;     // 2026-12-09

// The characters of a UTF-8 text, each as its own bytes.
std::vector<std::string_view> characters(std::string_view utf8) {
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        out.push_back(utf8.substr(i, n));
        i += n;
    }
    return out;
}

class Maker {
  public:
    explicit Maker(std::uint32_t seed) : random_(seed), name_chars_(characters(kNameChars)) {}

    int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    double fraction() { return std::uniform_real_distribution<double>(0, 1)(random_); }

    std::string buyer_id() {
        std::string id;
        switch (number(0, 9)) {
            case 0:
            case 1:
                // The name 淘宝 gives a member who never chose one.
                id = "tb" + std::to_string(number(10000000, 999999999));
                break;
            case 2:
            case 3:
            case 4:
                for (int n = number(2, 3); n > 0; --n)
                    id += syllable();
                if (number(0, 2) == 0) id[0] = static_cast<char>(id[0] - 'a' + 'A');
                if (number(0, 1) == 0) id += number(0, 1) ? "_" : "";
                id += std::to_string(number(1, 2026));
                break;
            case 5:
            case 6:
            case 7:
                for (int n = number(2, 6); n > 0; --n)
                    id += name_char();
                if (number(0, 1) == 0) id += std::to_string(number(1, 999));
                break;
            default:
                // Mixed: "lucky宝贝", "小Q同学".
                id = number(0, 1)
                         ? syllable() + name_char() + name_char()
                         : name_char() + std::string(1, static_cast<char>('A' + number(0, 25))) +
                               name_char() + name_char();
                break;
        }
        return id;
    }

    std::string our_id() { return std::string(kOurIds[pick(std::size(kOurIds))]); }

    // 0 to 300 characters, evenly spread; follow-ups often start a line of their own.
    std::string note() {
        const int length = number(0, 300);
        const bool lines = number(0, 2) == 0;
        std::string text;
        int count = 0;
        while (count < length) {
            if (!text.empty()) text += lines && number(0, 1) ? "\r\n" : "，";
            text += kPhrases[pick(std::size(kPhrases))];
            count = static_cast<int>(characters(text).size());
        }
        // Cut at a character, never inside one.
        const auto chars = characters(text);
        std::string cut;
        for (int i = 0; i < length; ++i)
            cut += chars[static_cast<std::size_t>(i)];
        // A break cut in two would leave a lone CR.
        if (cut.ends_with('\r')) cut.back() = '.';
        return cut;
    }

  private:
    std::size_t pick(std::size_t n) {
        return static_cast<std::size_t>(number(0, static_cast<int>(n) - 1));
    }
    std::string syllable() { return std::string(kSyllables[pick(std::size(kSyllables))]); }
    std::string name_char() { return std::string(name_chars_[pick(name_chars_.size())]); }

    std::mt19937 random_;
    std::vector<std::string_view> name_chars_;
};

}  // namespace

std::vector<store::CustomerRow> shop_customers(int count, std::uint32_t seed) {
    Maker make(seed);
    std::vector<store::CustomerRow> rows;
    rows.reserve(static_cast<std::size_t>(count));
    std::unordered_set<std::string> pairs;
    for (int n = 1; n <= count; ++n) {
        store::CustomerRow c;
        c.id = n;
        do {
            c.buyer = make.buyer_id();
            c.our_id = make.our_id();
        } while (!pairs.insert(jet::fold_case(c.buyer) + '\x01' + jet::fold_case(c.our_id)).second);
        // Later customers came later; the time of day is kept, as the editor stores it.
        const double span = kToday - kFirstDay;
        c.first_enquiry =
            std::min(kToday, kFirstDay + span * (n - 1) / count + make.fraction() * 3);
        c.last_follow_up =
            std::min(kToday + 0.5, c.first_enquiry + make.number(0, 60) + make.fraction());
        if (n % 5 == 0) c.deal_date = c.last_follow_up + make.number(0, 10) + make.fraction();
        c.note = make.note();
        rows.push_back(std::move(c));
    }
    std::reverse(rows.begin(), rows.end());
    return rows;
}

std::vector<std::uint8_t> shop_database(const std::vector<store::CustomerRow>& customers) {
    const std::string path = "/shop.db";
    jet::MemoryFileSystem fs;
    store::provision_store(fs, path);
    {
        auto session = jet::DatabaseSession::open(fs, path, store::kDatabasePassword,
                                                  jet::OpenMode::read_write, std::nullopt);
        if (!session) throw std::runtime_error(session.error().message);
        auto& db = (*session)->db();
        auto table = db.table("yrkb_com");
        if (!table) throw std::runtime_error(table.error().message);
        jet::TableWriter writer(db);
        writer.defer_indexes();
        // Oldest first, so that the engine's numbers are the customers' own.
        for (auto it = customers.rbegin(); it != customers.rend(); ++it) {
            const store::CustomerRow& c = *it;
            std::vector<jet::Value> row(8);
            row[1] = c.buyer;
            row[2] = c.our_id;
            row[3] = jet::DateTime{c.first_enquiry};
            row[4] = jet::DateTime{c.last_follow_up};
            row[5] = c.note;
            row[6] = c.deal_date != 0;
            if (c.deal_date != 0) row[7] = jet::DateTime{c.deal_date};
            auto placed = writer.insert(*table, std::move(row));
            if (!placed) throw std::runtime_error(placed.error().message);
        }
        if (auto done = writer.finish_indexes(); !done)
            throw std::runtime_error(done.error().message);
        if (auto done = (*session)->commit(); !done) throw std::runtime_error(done.error().message);
    }
    return *fs.contents(path);
}

}  // namespace bench
