// Property pages and script properties against plain Qt:
//  - building a page of 1,000 int bindings and showing a document's values in it
//    (ScriptPropertyPage::setObject: layout, host binding, values), against a bare grid of
//    1,000 labelled spin boxes given the same values (target 2x);
//  - a script property set (coercion, host value, change report, `changed`), against a
//    QObject property with a notify signal (target 5x).
#include <plugin/scriptpluginspec.h>
#include <properties/scriptpropertycontainer.h>
#include <properties/scriptpropertypage.h>
#include <properties/scriptsimpleproperty.h>

#include <interactiveobject.h>

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

#include "ratioreporter.h"

#include <benchmark/benchmark.h>

#include <climits>
#include <cstdio>
#include <memory>

namespace {

constexpr int Bindings = 1000;

ScriptPluginSpec pageSpec(int count)
{
    ScriptPluginSpec spec;
    spec.id = QStringLiteral("bench");
    PropertyPageSpec page;
    page.id = QStringLiteral("page");
    page.name = QStringLiteral("Page");
    QList<PropertySpec> properties;
    for (int i = 0; i < count; ++i) {
        PropertySpec property;
        property.id = QStringLiteral("p%1").arg(i, 4, 10, QLatin1Char('0'));
        property.kind = PropertyKind::Default;
        property.type = QMetaType::Int;
        property.defaultValue = i;
        properties.append(property);
        PropertyBindingSpec binding;
        binding.name = property.id;
        binding.bind = QStringLiteral("g.") + property.id;
        page.bindings.append(binding);
    }
    spec.objects.insert(QStringLiteral("g"), properties);
    spec.propertyPages.append(page);
    return spec;
}

// A document object holding the plug-in's property tree, as a script document's widget does.
struct Document
{
    explicit Document(const ScriptPluginSpec &spec)
        : objects(ScriptPropertyContainer::createObjects(QStringLiteral("objects"), spec.objects, nullptr))
    {
        object.joinTree();
        objects->attach(&object);
    }

    InteractiveObject object;
    std::unique_ptr<ScriptPropertyContainer> objects;
};

void BM_PropertyPage(benchmark::State &state)
{
    const ScriptPluginSpec spec = pageSpec(int(state.range(0)));
    Document document(spec);
    for (auto _ : state) {
        ScriptPropertyPage page(spec.propertyPages.first(), spec, nullptr);
        page.setObject(&document.object, false);
        benchmark::DoNotOptimize(page.layout());
    }
}
BENCHMARK(BM_PropertyPage)->Arg(Bindings)->Unit(benchmark::kMillisecond);

void BM_BareForm(benchmark::State &state)
{
    for (auto _ : state) {
        QWidget page;
        auto *grid = new QGridLayout(&page);
        for (int i = 0; i < state.range(0); ++i) {
            grid->addWidget(new QLabel(QStringLiteral("p%1:").arg(i)), i, 0);
            auto *box = new QSpinBox;
            box->setRange(INT_MIN, INT_MAX);
            box->setValue(i);
            grid->addWidget(box, i, 1);
        }
        benchmark::DoNotOptimize(page.layout());
    }
}
BENCHMARK(BM_BareForm)->Arg(Bindings)->Unit(benchmark::kMillisecond);

void BM_ScriptPropertySet(benchmark::State &state)
{
    const ScriptPluginSpec spec = pageSpec(1);
    Document document(spec);
    auto *group = qobject_cast<ScriptPropertyContainer *>(document.objects->objects().first());
    auto *property = qobject_cast<ScriptSimpleProperty *>(group->objects().first());
    int changes = 0;
    QObject::connect(property, &ScriptSimpleProperty::changed, [&changes] { ++changes; });
    int value = 0;
    for (auto _ : state)
        property->setValue(QVariant(++value));
    benchmark::DoNotOptimize(changes);
}
BENCHMARK(BM_ScriptPropertySet);

} // namespace

// The peer of a script property: a plain Qt property with a notify signal.
class PlainProperty : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY changed)

public:
    int value() const { return m_value; }
    void setValue(int value)
    {
        if (value == m_value)
            return;
        m_value = value;
        emit changed();
    }

signals:
    void changed();

private:
    int m_value = 0;
};

namespace {

void BM_QObjectPropertySet(benchmark::State &state)
{
    PlainProperty property;
    int changes = 0;
    QObject::connect(&property, &PlainProperty::changed, [&changes] { ++changes; });
    int value = 0;
    for (auto _ : state)
        property.setProperty("value", QVariant(++value));
    benchmark::DoNotOptimize(changes);
}
BENCHMARK(BM_QObjectPropertySet);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(RatioReporter::CpuTime);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const std::string arg = "/" + std::to_string(Bindings);
    const double page = reporter.time("BM_PropertyPage" + arg);
    const double form = reporter.time("BM_BareForm" + arg);
    const double script = reporter.time("BM_ScriptPropertySet");
    const double plain = reporter.time("BM_QObjectPropertySet");
    if (page > 0 && form > 0)
        std::printf("property page of %d bindings: %.2fx a bare form (target 2x)\n", Bindings, page / form);
    if (script > 0 && plain > 0)
        std::printf("script property set: %.2fx a QObject property (target 5x)\n", script / plain);
    return 0;
}

#include "bench_properties.moc"
