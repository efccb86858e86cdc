#include "app/cli/Manual.h"

#include <ostream>
#include <sstream>

namespace zelvant::cli {

namespace {

// Commands meant for packaging (completion, man page) have no group and stay out of sight.
std::vector<const CLI::App*> visibleCommands(const CLI::App& app)
{
    return app.get_subcommands([](const CLI::App* command) { return !command->get_group().empty(); });
}

std::vector<const CLI::Option*> optionsOf(const CLI::App& command)
{
    return command.get_options([](const CLI::Option* option) { return !option->get_group().empty(); });
}

// "TEXT:{frei,gebucht}" -> "frei gebucht": the values a choice accepts, as its check lists them.
std::string choicesOf(const CLI::Option& option)
{
    const std::string type = option.get_type_name();
    const auto open = type.find('{'), close = type.rfind('}');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return {};
    std::string choices = type.substr(open + 1, close - open - 1);
    for (char& c : choices)
        if (c == ',')
            c = ' ';
    return choices;
}

bool takesFile(const CLI::Option& option)
{
    return option.get_type_name().rfind("DATEI", 0) == 0;
}
bool takesValue(const CLI::Option& option)
{
    return option.get_type_size_max() != 0;
}

std::string optionLabel(const CLI::Option& option)
{
    std::string label = option.nonpositional() ? option.get_name(false, true) : option.get_name();
    if (option.nonpositional() && takesValue(option)) {
        const std::string choices = choicesOf(option);
        label += " " + (choices.empty() ? option.get_type_name() : choices);
    }
    return label;
}

// roff: a backslash, a leading dot or quote, and the minus of an option must not be read as commands.
std::string roff(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    std::string lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines += (!line.empty() && (line[0] == '.' || line[0] == '\'') ? "\\&" : "") + line + "\n";
    return lines;
}

std::string roffInline(const std::string& text)
{
    std::string line = roff(text);
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

void writeCommand(std::ostream& out, const CLI::App& command, const std::string& path)
{
    out << ".SS \"" << roffInline(path);
    for (const CLI::Option* option : optionsOf(command))
        if (!option->nonpositional())
            out << " " << (option->get_required() ? "" : "[") << roffInline(option->get_name())
                << (option->get_required() ? "" : "]");
    out << "\"\n" << roff(command.get_description());
    for (const CLI::Option* option : optionsOf(command)) {
        out << ".TP\n.B " << roff(optionLabel(*option)) << roff(option->get_description());
        if (option->get_required() && option->nonpositional())
            out << "Pflichtangabe.\n";
    }
    for (const CLI::App* sub : visibleCommands(command))
        writeCommand(out, *sub, path + " " + sub->get_name());
}

// One case branch per command: the words that may follow it.
void writeCompletionCases(std::ostream& out, const CLI::App& command, const std::string& path,
                          std::string& known, std::string& valued, std::string& valueCases)
{
    std::string words, positionalChoices;
    bool positionalFile = false;
    for (const CLI::App* sub : visibleCommands(command)) {
        words += sub->get_name() + " ";
        known += path + "/" + sub->get_name() + " ";
    }
    for (const CLI::Option* option : optionsOf(command)) {
        if (!option->nonpositional()) {
            positionalChoices += choicesOf(*option) + " ";
            positionalFile = positionalFile || takesFile(*option);
            continue;
        }
        for (const std::string& name : option->get_lnames())
            words += "--" + name + " ";
        for (const std::string& name : option->get_snames())
            words += "-" + name + " ";
        if (!takesValue(*option))
            continue;
        for (const std::string& name : option->get_lnames()) {
            valued += "--" + name + " ";
            const std::string choices = choicesOf(*option);
            valueCases.append("        \"").append(path).append(" --").append(name).append("\") ");
            if (takesFile(*option))
                valueCases += "COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n";
            else if (!choices.empty())
                valueCases.append("COMPREPLY=($(compgen -W \"")
                    .append(choices)
                    .append("\" -- \"$cur\")); return ;;\n");
            else
                valueCases += "return ;;\n";
        }
    }
    out << "        \"" << path << "\") words=\"" << words << positionalChoices << "\""
        << (positionalFile ? "; files=1" : "") << " ;;\n";
    for (const CLI::App* sub : visibleCommands(command))
        writeCompletionCases(out, *sub, path + "/" + sub->get_name(), known, valued, valueCases);
}

} // namespace

void writeManPage(std::ostream& out, const CLI::App& app, const std::string& version)
{
    const std::string description = app.get_description();
    const std::string summary = description.substr(0, description.find(". ") + 1);
    out << ".\\\" Aus der Befehlstabelle von zelvant erzeugt (zelvant manpage).\n"
        << ".TH ZELVANT 1 \"\" \"zelvant " << version << "\" \"Benutzerbefehle\"\n"
        << ".SH NAME\nzelvant \\- " << roff(summary)
        << ".SH \\(:UBERSICHT\n.B zelvant\n.I BEFEHL\n[\\fIOPTIONEN\\fR]\n"
        << ".br\n.B zelvant \\-\\-help\n.br\n.B zelvant \\-\\-version\n"
        << ".SH BESCHREIBUNG\n"
        << roff(description) << ".SH BEFEHLE\n";
    for (const CLI::App* command : visibleCommands(app))
        writeCommand(out, *command, "zelvant " + command->get_name());
    out << ".SH EXIT-STATUS\n.nf\n"
        << roff(app.get_footer()) << ".fi\n"
        << ".SH DATEIEN\n.TP\n.I ~/.config/zelvant/registry.txt\n"
        << "Die Einstellungen (zelvant config) und die Liste der Add-Ins; daneben journal/ f\\(:ur zelvant "
           "undo.\n"
        << ".SH UMGEBUNG\n.TP\n.B XDG_CONFIG_HOME\nOrdner der Einstellungen statt ~/.config.\n"
        << ".TP\n.B ZELVANT_REGISTRY_FILE\nPfad der Einstellungsdatei.\n"
        << ".SH SIEHE AUCH\n.BR zelvant\\-host (1)\n";
}

void writeBashCompletion(std::ostream& out, const CLI::App& app)
{
    std::ostringstream cases;
    std::string known = " ", valued = " ", valueCases;
    writeCompletionCases(cases, app, "", known, valued, valueCases);
    out << "# bash completion for zelvant; written by `zelvant completion bash`.\n"
        << "_zelvant()\n{\n"
        << "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        << "    local known=\"" << known << "\" valued=\"" << valued << "\"\n"
        << "    local path=\"\" words=\"\" files=0 i w\n"
        << "    # The command so far: the words naming commands, skipping options and their values.\n"
        << "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        << "        w=${COMP_WORDS[i]}\n"
        << "        case \"$valued\" in *\" $w \"*) ((i++)); continue ;; esac\n"
        << "        case \"$known\" in *\" $path/$w \"*) path=$path/$w ;; esac\n"
        << "    done\n"
        << "    case \"$path $prev\" in\n"
        << valueCases << "    esac\n"
        << "    case \"$path\" in\n"
        << cases.str() << "    esac\n"
        << "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
        << "    if [[ $files == 1 && $cur != -* ]]; then COMPREPLY+=($(compgen -f -- \"$cur\")); fi\n"
        << "}\n"
        << "complete -o filenames -F _zelvant zelvant\n";
}

} // namespace zelvant::cli
