#include "ImportMessages.h"

#include <QHash>

namespace cns::import {

namespace ImportMessages {

const QString &lines()
{
    static const QString text = QString::fromUtf8(
        "LayoutDeve|Layout deve ser informado.\n"
        "LayoutNCad|Layout não cadastrado.\n"
        "Clie_Inf|Cliente deve ser informado.\n"
        "Cod_NCad|Cliente por Filial não cadastrado.\n"
        "Lay_Cli|O layout selecionado não tem o campo \\\"Cliente\\\" cadastrado. Você deve utilizar a opção "
        "\\\"Cliente informado pelo usuário\\\".\n"
        "Lay_Cli_Esta|O layout escolhido possui o campo \\\"Cliente\\\" cadastrado. Você deve escolher a opção "
        "\\\"Cliente importado via arquivo texto\\\".\n"
        "FALTA_FILIAL|O layout deve estar associado à uma filial para ser utilizado para importação.\n"
        "LayoutInvalido|Arquivo não encontrado. \n"
        "LendoArq|Aguarde. Carregando arquivo de consumidores.\n"
        "CdCliNull|O Código do Cliente não pode ser vazio.\n"
        "CdCliNaoEncontrado|Código de cliente não encontrado.\n"
        "CliNaoAssociado|Cliente não está associado à filial de importação.\n"
        "CdConsNull|O Código do Consumidor não pode ser vazio.\n"
        "NmConsNull|O Nome do Consumidor não pode ser vazio.\n"
        "CdTipoCons|O Tipo de Consumidor não pode ser vazio.\n"
        "CdCCusClie|O Centro de Custo não pode ser vazio.\n"
        "CdTipoCons1|Tipo de Consumidor não existente. Será incluído automaticamente.\n"
        "CdCCusClie1|Centro de Custo não existente. Será incluído automaticamente.\n"
        "CdIdJaCad_log|Identificador do consumidor já existe no cadastro / troca de crachá.\n"
        "CpfInvalido|CPF inválido. Será incluído automaticamente como vazio.\n"
        "Cod_Duplicado|Código do Consumidor em duplicidade no arquivo.\n"
        "Cracha_Duplicado|Código de Identificação em duplicidade no arquivo.\n"
        "CrachaFilial|Número do crachá já está sendo utilizado para um consumidor associado a esta filial.\n"
        "VAZIO|VAZIO\n"
        "LogFalhou|A realização de consistências do arquivo carregado falhou.\n"
        "Conf_Log|Confirma a realização de consistências do arquivo carregado para identificação de possíveis "
        "problemas durante a importação?\n"
        "Conf_Imp|Confirma importação ?\n"
        "Conf_Inativa|Os consumidores que não se encontram no arquivo de importação não serão inativados.  "
        "Confirma importação?\n"
        "Conf_Imp_Log|Existem problemas no arquivo txt, é aconselhável consultar o log antes de continuar. "
        "Deseja consultá-lo agora?\n"
        "ImpCanc|Importação não pode ser realizada devido a inconsistências no arquivo de consumidores. Favor "
        "verificar arquivo de log.\n"
        "ImpSuces|Importação realizada com sucesso.\n"
        "ImpFalhou|Importação não realizada.\n"
        "NAO_CARREGOU|O arquivo de consumidores ainda não foi carregado.\n"
        "CARGA_INCOMPLETA|A última carga parou antes do fim do arquivo. Corrija o arquivo e carregue-o novamente "
        "antes de confirmar a importação.\n"
        "NAO_CDCONSUMIDOR|O campo Código do Consumidor (CDCONSUMIDOR) deve estar no layout.\n"
        "CdConNull|O código do consumidor não pode ser nulo.\n"
        "NmConNull|O nome do consumidor não pode ser vazio.\n"
        "CdTpConNull|O tipo de consumidor não pode ser vazio.\n"
        "CdCCusClieNull|O centro de custo não pode ser vazio.\n"
        "IdVerSaldCon|Identificador de verificação de saldo inválido. Se este identificador existir no layout "
        "deverá receber os valores 'S ou N'.\n"
        "CdIdCad|O nr. de crachá  (%s) está vinculado a mais de um consumidor no arquivo de importação. Os seus "
        "respectivos clientes estão associados para a mesma filial.\\\"\n"
        "IDCONS_CAD|Número do crachá (%s) já existe no cadastro, para outro consumidor.\n"
        "IDTRABCONS_CAD|Número do crachá (%s) já existe no arquivo, para outro consumidor.\n"
        "NaoHaCliente|Não há cliente por filial cadastrado.\n"
        "NaoHaLayout|Não há layout para consumidor cadastrado.\n");
    return text;
}

const TMessages &table()
{
    static const TMessages messages(lines());
    return messages;
}

QString keyOf(const QString &text)
{
    static const QHash<QString, QString> keys = [] {
        QHash<QString, QString> h;
        for (QStringView line : QStringView(lines()).split(u'\n', Qt::SkipEmptyParts)) {
            const QString key = line.left(line.indexOf(u'|')).toString();
            if (!h.contains(table().Msg(key)))
                h.insert(table().Msg(key), key);
        }
        return h;
    }();
    return keys.value(text);
}

} // namespace ImportMessages

} // namespace cns::import
